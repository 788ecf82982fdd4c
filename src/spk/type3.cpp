#include "spk/type3.hpp"

namespace orvane {

SpkError as_type3_error(SpkError error) {
    if (error.kind != SpkError::Kind::InvalidType2Segment) return error;
    return SpkError::invalid_typed_segment(SPK_TYPE_3, error.reason);
}

StateVector type3_state(const double* words, std::size_t n, double x) {
    // The six sums share T_k(x), found by the recurrence T_(k+1) = 2x T_k - T_(k-1),
    // and add their terms in increasing k (as the Type 2 positions do).
    double sum[TYPE3_COEFFICIENT_SETS];
    for (std::size_t i = 0; i < TYPE3_COEFFICIENT_SETS; ++i) {
        const double* c = &words[2 + i * n];
        sum[i] = n == 1 ? c[0] : c[0] + c[1] * x;
    }
    const double v = x * 2.0;
    double t_previous = 1.0, t_current = x;
    for (std::size_t k = 2; k < n; ++k) {
        double t_next = v * t_current - t_previous;
        for (std::size_t i = 0; i < TYPE3_COEFFICIENT_SETS; ++i) sum[i] += words[2 + i * n + k] * t_next;
        t_previous = t_current;
        t_current = t_next;
    }
    StateVector state;
    for (int i = 0; i < 3; ++i) {
        state.position[i] = sum[i];
        state.velocity[i] = sum[3 + i];
    }
    return state;
}

void type3_acceleration(const double* words, std::size_t n, double x, double acceleration[3]) {
    // The derivative of the velocity sums: T'_k = k U_(k-1), U by its recurrence.
    const double radius = words[1];
    const double v = x * 2.0;
    double u_previous = 1.0, u_current = v;  // U_(k-2), U_(k-1)
    double sum[3];
    for (int i = 0; i < 3; ++i) sum[i] = n > 1 ? words[2 + (3 + i) * n + 1] : 0.0;
    for (std::size_t k = 2; k < n; ++k) {
        const double derivative = static_cast<double>(k) * u_current;
        for (int i = 0; i < 3; ++i) sum[i] += words[2 + (3 + i) * n + k] * derivative;
        const double u_next = v * u_current - u_previous;
        u_previous = u_current;
        u_current = u_next;
    }
    for (int i = 0; i < 3; ++i) acceleration[i] = sum[i] / radius;
}

}  // namespace orvane
