#pragma once
#include <array>
#include <cmath>

// A value with its time derivative, carried through a formula so that the
// derivative of the result is exact (forward-mode differentiation, as in
// Griewank & Walther, "Evaluating Derivatives", 2008, ch. 3). The value part
// is computed by the same operations, in the same order, as the plain
// formula on doubles.
namespace orvane {

struct Dual {
    double value = 0.0;
    double rate = 0.0;
};

constexpr Dual operator+(Dual a, Dual b) { return {a.value + b.value, a.rate + b.rate}; }
constexpr Dual operator-(Dual a, Dual b) { return {a.value - b.value, a.rate - b.rate}; }
constexpr Dual operator-(Dual a) { return {-a.value, -a.rate}; }
constexpr Dual operator*(Dual a, Dual b) { return {a.value * b.value, a.rate * b.value + a.value * b.rate}; }
constexpr Dual operator*(Dual a, double b) { return {a.value * b, a.rate * b}; }
constexpr Dual operator/(Dual a, Dual b) {
    const double q = a.value / b.value;
    return {q, (a.rate - q * b.rate) / b.value};
}

// √a; the caller keeps a above zero.
inline Dual sqrt(Dual a) {
    const double root = std::sqrt(a.value);
    return {root, a.rate / (2.0 * root)};
}

using DualVector = std::array<Dual, 3>;

// Position with velocity as its rate, and back.
inline DualVector dual_vector(const std::array<double, 3>& value, const std::array<double, 3>& rate) {
    return {Dual{value[0], rate[0]}, Dual{value[1], rate[1]}, Dual{value[2], rate[2]}};
}

constexpr Dual dot(const DualVector& a, const DualVector& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

constexpr DualVector cross(const DualVector& a, const DualVector& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

}  // namespace orvane
