#pragma once
#include <bit>
#include <cstdint>
#include <numbers>

// Sine and cosine of the values in the lanes of a vector at once, for angles
// of a few turns at most (the remainders of the fundamental arguments by a
// turn). The angle is reduced by the nearest multiple k of π/2 (Cody & Waite
// 1980, "Software Manual for the Elementary Functions", ch. 8: π/2 in two
// parts, the first with its low bits cleared so that k times it is exact),
// then sin and cos of the remainder |r| ≤ π/4 come from their Taylor series
// to r^17 and r^18 (the first term left out is below 1e-19, under an ulp) and
// are exchanged and negated by the quadrant k mod 4. Within about two ulps of
// the correctly rounded values; every step acts on each lane alone, so a
// value's result does not depend on its lane or its neighbours.
namespace orvane {

namespace lane_sine_cosine_detail {

// π/2 with its last 8 bits cleared, and the rest of π/2 (from the long
// double π, good to 64 bits).
constexpr double cleared(double x) {
    const auto bits = std::bit_cast<std::uint64_t>(x) & ~std::uint64_t{0xff};
    return std::bit_cast<double>(bits);
}
constexpr long double HALF_PI = std::numbers::pi_v<long double> / 2;
constexpr double HALF_PI_HIGH = cleared(static_cast<double>(HALF_PI));
constexpr double HALF_PI_LOW = static_cast<double>(HALF_PI - HALF_PI_HIGH);
constexpr double TWO_OVER_PI = static_cast<double>(2 / std::numbers::pi_v<long double>);
// 1.5 × 2^52: adding it and taking it away rounds to the nearest integer.
constexpr double ROUNDING = 6755399441055744.0;

// (-1)^n / n! for the Taylor terms.
constexpr double taylor(int n) {
    double factorial = 1.0;
    for (int i = 2; i <= n; ++i) factorial *= i;
    return ((n / 2) % 2 == 0 ? 1.0 : -1.0) / factorial;
}

}  // namespace lane_sine_cosine_detail

// V: a GCC vector of doubles; Mask: the vector of 64-bit integers of its
// width. Non-finite values give NaN.
template <class V, class Mask>
[[gnu::always_inline]] inline void lane_sine_cosine(const V& x, V& sine, V& cosine) {
    using namespace lane_sine_cosine_detail;
    const V k = (x * TWO_OVER_PI + ROUNDING) - ROUNDING;
    const V r = (x - k * HALF_PI_HIGH) - k * HALF_PI_LOW;
    const V r2 = r * r;
    V s = V{} + taylor(17);
    for (int n = 15; n >= 3; n -= 2) s = taylor(n) + r2 * s;
    s = r + r * (r2 * s);
    V c = V{} + taylor(18);
    for (int n = 16; n >= 4; n -= 2) c = taylor(n) + r2 * c;
    c = 1.0 + r2 * (-0.5 + r2 * c);
    // NaN (a non-finite x) converts to an unspecified integer: the lanes stay NaN whatever the quadrant.
    const Mask quadrant = __builtin_convertvector(k == k ? k : V{}, Mask) & 3;
    const Mask swap = (quadrant & 1) != 0;
    const V sine_of = swap ? c : s, cosine_of = swap ? s : c;
    sine = (quadrant & 2) != 0 ? -sine_of : sine_of;
    cosine = ((quadrant + 1) & 2) != 0 ? -cosine_of : cosine_of;
}

}  // namespace orvane
