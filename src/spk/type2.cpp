#include "spk/type2.hpp"

#include <cmath>
#include <limits>

namespace orvane {
namespace {

using R = SpkError::Reason;

constexpr double U32_MAX_AS_DOUBLE = 4294967295.0;

// A whole number in [1, 4294967295].
bool is_count(double value) {
    return std::isfinite(value) && std::floor(value) == value && value >= 1.0 && value <= U32_MAX_AS_DOUBLE;
}

std::unexpected<SpkError> fail(R reason) { return std::unexpected(SpkError::invalid_type2_segment(reason)); }

}  // namespace

std::expected<Type2Directory, SpkError> parse_type2_directory(std::span<const double, 4> words,
                                                              std::int32_t start_address,
                                                              std::int32_t end_address,
                                                              std::uint32_t coefficient_sets) {
    double init = words[0], intlen = words[1], rsize = words[2], count = words[3];
    if (!is_count(rsize) || rsize > TYPE2_MAX_RECORD_WORDS) return fail(R::RecordSize);
    if (!is_count(count)) return fail(R::RecordCount);
    if (!std::isfinite(init) || !std::isfinite(intlen) || !(intlen > 0.0)) return fail(R::InvalidDirectoryEpoch);
    Type2Directory directory{init, intlen, static_cast<std::uint32_t>(rsize), static_cast<std::uint32_t>(count)};
    if (directory.rsize < 2 + coefficient_sets || (directory.rsize - 2) % coefficient_sets != 0) {
        return fail(coefficient_sets == 3 ? R::UnequalCoefficientSets : R::UnequalCoefficientSets6);
    }
    std::uint64_t data_words = std::uint64_t{directory.rsize} * directory.record_count;
    if (data_words > 4294967291ULL) return fail(R::WordCountOverflow);
    std::int64_t address_words = std::int64_t{end_address} - start_address + 1;
    if (address_words != static_cast<std::int64_t>(data_words + TYPE2_DIRECTORY_WORDS)) {
        return fail(R::DirectorySizeMismatch);
    }
    return directory;
}

std::expected<std::uint32_t, SpkError> type2_record_index(const Type2Directory& directory, double epoch) {
    double q = (epoch - directory.init) / directory.intlen;
    if (!std::isfinite(q) || q < 0.0) return fail(R::EpochBeforeFirstInterval);
    double whole = std::floor(q);
    std::uint32_t k = whole >= U32_MAX_AS_DOUBLE ? std::numeric_limits<std::uint32_t>::max()
                                                 : static_cast<std::uint32_t>(whole);
    if (k == directory.record_count) k = directory.record_count - 1;
    if (k >= directory.record_count) return fail(R::EpochNotCovered);
    return k;
}

std::expected<std::int32_t, SpkError> type2_record_address(const Type2Directory& directory,
                                                           std::int32_t start_address, std::uint32_t index) {
    std::uint64_t offset = std::uint64_t{index} * directory.rsize;
    if (offset > std::numeric_limits<std::uint32_t>::max()) return fail(R::RecordAddressOverflow);
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        return fail(R::RecordAddressOutOfRange);
    }
    std::int32_t first;
    if (__builtin_add_overflow(start_address, static_cast<std::int32_t>(offset), &first)) {
        return fail(R::RecordAddressOverflow);
    }
    return first;
}

StateVector type2_state(const double* words, std::size_t n, double x) {
    const double radius = words[1];
    const double* c[3] = {&words[2], &words[2 + n], &words[2 + 2 * n]};
    StateVector state;
    if (n == 1) {
        for (int i = 0; i < 3; ++i) state.position[i] = c[i][0];
        return state;
    }
    // T_k(x) and U_k(x), Chebyshev polynomials of the first and second kind,
    // by their recurrences (X_(k+1) = 2x X_k - X_(k-1)), shared by the three
    // components; the derivative is T'_k = k U_(k-1). Each component adds its
    // terms in increasing k, every operation rounded on its own. The two
    // recurrences are independent chains of a product and a difference.
    const double v = x * 2.0;
    double t_previous = 1.0, t_current = x;  // T_(k-1), T_k
    double u_previous = 1.0, u_current = v;  // U_(k-2), U_(k-1)
    double p[3], d[3];
    for (int i = 0; i < 3; ++i) {
        p[i] = c[i][0] + c[i][1] * x;
        d[i] = c[i][1];
    }
    for (std::size_t k = 2; k < n; ++k) {
        const double t_next = v * t_current - t_previous;
        const double derivative = static_cast<double>(k) * u_current;  // T'_k
        for (int i = 0; i < 3; ++i) {
            p[i] += c[i][k] * t_next;
            d[i] += c[i][k] * derivative;
        }
        const double u_next = v * u_current - u_previous;
        t_previous = t_current;
        t_current = t_next;
        u_previous = u_current;
        u_current = u_next;
    }
    for (int i = 0; i < 3; ++i) {
        state.position[i] = p[i];
        state.velocity[i] = d[i] / radius;
    }
    return state;
}

StateVector type2_position(const double* words, std::size_t n, double x) {
    const double* c[3] = {&words[2], &words[2 + n], &words[2 + 2 * n]};
    StateVector state;
    if (n == 1) {
        for (int i = 0; i < 3; ++i) state.position[i] = c[i][0];
        return state;
    }
    // type2_state's position operations in its order.
    const double v = x * 2.0;
    double t_previous = 1.0, t_current = x;
    double p[3];
    for (int i = 0; i < 3; ++i) p[i] = c[i][0] + c[i][1] * x;
    for (std::size_t k = 2; k < n; ++k) {
        const double t_next = v * t_current - t_previous;
        for (int i = 0; i < 3; ++i) p[i] += c[i][k] * t_next;
        t_previous = t_current;
        t_current = t_next;
    }
    for (int i = 0; i < 3; ++i) state.position[i] = p[i];
    return state;
}

StateVector type2_state_acceleration(const double* words, std::size_t n, double x, double acceleration[3]) {
    const double radius = words[1];
    const double* c[3] = {&words[2], &words[2 + n], &words[2 + 2 * n]};
    StateVector state;
    for (int i = 0; i < 3; ++i) acceleration[i] = 0.0;
    if (n == 1) {
        for (int i = 0; i < 3; ++i) state.position[i] = c[i][0];
        return state;
    }
    // type2_state's operations in its order, and a third chain: U'_(k-1).
    const double v = x * 2.0;
    double t_previous = 1.0, t_current = x;
    double u_previous = 1.0, u_current = v;
    double w_previous = 0.0, w_current = 2.0;  // U'_(k-2), U'_(k-1)
    double p[3], d[3], a[3] = {0.0, 0.0, 0.0};
    for (int i = 0; i < 3; ++i) {
        p[i] = c[i][0] + c[i][1] * x;
        d[i] = c[i][1];
    }
    for (std::size_t k = 2; k < n; ++k) {
        const double t_next = v * t_current - t_previous;
        const double derivative = static_cast<double>(k) * u_current;   // T'_k
        const double second = static_cast<double>(k) * w_current;       // T''_k
        for (int i = 0; i < 3; ++i) {
            p[i] += c[i][k] * t_next;
            d[i] += c[i][k] * derivative;
            a[i] += c[i][k] * second;
        }
        const double w_next = 2.0 * u_current + v * w_current - w_previous;
        const double u_next = v * u_current - u_previous;
        t_previous = t_current;
        t_current = t_next;
        u_previous = u_current;
        u_current = u_next;
        w_previous = w_current;
        w_current = w_next;
    }
    for (int i = 0; i < 3; ++i) {
        state.position[i] = p[i];
        state.velocity[i] = d[i] / radius;
        acceleration[i] = a[i] / (radius * radius);
    }
    return state;
}

namespace {

// type2_state's operations (and, with ACCELERATION, type2_state_acceleration's;
// without VELOCITY, type2_position's), in their order, on two lanes at once:
// each lane rounds exactly as the single evaluation does. n is at least 2.
template <bool VELOCITY, bool ACCELERATION>
void state_pair_lanes(const double* words_a, const double* words_b, std::size_t n, double x_a, double x_b,
                      StateVector& a, StateVector& b, double* acceleration_a, double* acceleration_b) {
    using Pair = double __attribute__((vector_size(16)));
    auto coefficient = [&](int i, std::size_t k) { return Pair{words_a[2 + i * n + k], words_b[2 + i * n + k]}; };
    const Pair x{x_a, x_b};
    const Pair v = x * 2.0;
    Pair t_previous{1.0, 1.0}, t_current = x;
    Pair u_previous{1.0, 1.0}, u_current = v;
    Pair w_previous{0.0, 0.0}, w_current{2.0, 2.0};
    Pair p[3], d[3], s[3];
    for (int i = 0; i < 3; ++i) {
        p[i] = coefficient(i, 0) + coefficient(i, 1) * x;
        d[i] = coefficient(i, 1);
        s[i] = Pair{0.0, 0.0};
    }
    for (std::size_t k = 2; k < n; ++k) {
        const Pair t_next = v * t_current - t_previous;
        const Pair derivative = static_cast<double>(k) * u_current;
        const Pair second = static_cast<double>(k) * w_current;
        for (int i = 0; i < 3; ++i) {
            const Pair c = coefficient(i, k);
            p[i] += c * t_next;
            if constexpr (VELOCITY) d[i] += c * derivative;
            if constexpr (ACCELERATION) s[i] += c * second;
        }
        if constexpr (ACCELERATION) {
            const Pair w_next = 2.0 * u_current + v * w_current - w_previous;
            w_previous = w_current;
            w_current = w_next;
        }
        const Pair u_next = v * u_current - u_previous;
        t_previous = t_current;
        t_current = t_next;
        u_previous = u_current;
        u_current = u_next;
    }
    if constexpr (!VELOCITY) {
        for (int i = 0; i < 3; ++i) {
            a.position[i] = p[i][0];
            b.position[i] = p[i][1];
            a.velocity[i] = b.velocity[i] = 0.0;
        }
        return;
    }
    const Pair radius{words_a[1], words_b[1]};
    for (int i = 0; i < 3; ++i) {
        const Pair velocity = d[i] / radius;
        a.position[i] = p[i][0];
        b.position[i] = p[i][1];
        a.velocity[i] = velocity[0];
        b.velocity[i] = velocity[1];
        if constexpr (ACCELERATION) {
            const Pair acceleration = s[i] / (radius * radius);
            acceleration_a[i] = acceleration[0];
            acceleration_b[i] = acceleration[1];
        }
    }
}

}  // namespace

void type2_state_acceleration_pair(const double* words_a, const double* words_b, std::size_t n, double x_a,
                                   double x_b, StateVector& a, StateVector& b, double acceleration_a[3],
                                   double acceleration_b[3]) {
    if (n == 1) {
        a = type2_state_acceleration(words_a, n, x_a, acceleration_a);
        b = type2_state_acceleration(words_b, n, x_b, acceleration_b);
        return;
    }
    state_pair_lanes<true, true>(words_a, words_b, n, x_a, x_b, a, b, acceleration_a, acceleration_b);
}

void type2_state_pair(const double* words_a, const double* words_b, std::size_t n, double x_a, double x_b,
                      StateVector& a, StateVector& b) {
    if (n == 1) {
        a = type2_state(words_a, n, x_a);
        b = type2_state(words_b, n, x_b);
        return;
    }
    state_pair_lanes<true, false>(words_a, words_b, n, x_a, x_b, a, b, nullptr, nullptr);
}

void type2_position_pair(const double* words_a, const double* words_b, std::size_t n, double x_a, double x_b,
                         StateVector& a, StateVector& b) {
    if (n == 1) {
        a = type2_position(words_a, n, x_a);
        b = type2_position(words_b, n, x_b);
        return;
    }
    state_pair_lanes<false, false>(words_a, words_b, n, x_a, x_b, a, b, nullptr, nullptr);
}

ChebyshevRecordFault chebyshev_record_fault(std::span<const double> words) {
    const double radius = words[1];
    if (!std::isfinite(words[0]) || !std::isfinite(radius) || !(radius > 0.0)) {
        return ChebyshevRecordFault::MidpointRadius;
    }
    // Every coefficient times zero: zero when finite, NaN when infinite or
    // NaN; four sums of them (independent chains) are all zero exactly when
    // every coefficient is finite.
    double sums[4] = {0.0, 0.0, 0.0, 0.0};
    std::size_t i = 2;
    for (; i + 4 <= words.size(); i += 4) {
        for (int lane = 0; lane < 4; ++lane) sums[lane] += words[i + lane] * 0.0;
    }
    for (; i < words.size(); ++i) sums[0] += words[i] * 0.0;
    if (sums[0] == 0.0 && sums[1] == 0.0 && sums[2] == 0.0 && sums[3] == 0.0) return ChebyshevRecordFault::None;
    return ChebyshevRecordFault::Coefficients;
}

std::expected<double, SpkError> chebyshev_argument(const double* words, ChebyshevRecordFault fault, double epoch) {
    if (fault == ChebyshevRecordFault::MidpointRadius) return fail(R::InvalidMidpointRadius);
    const double x = (epoch - words[0]) / words[1];
    if (std::isnan(x) || std::fabs(x) > 1.0) return fail(R::RecordDoesNotCover);
    if (fault == ChebyshevRecordFault::Coefficients) return fail(R::NonFiniteCoefficients);
    return x;
}

}  // namespace orvane
