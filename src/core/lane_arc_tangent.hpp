#pragma once
#include <numbers>

// The angle of (x, y) from the x axis, in (-π, π], for the values in the
// lanes of a vector at once: what std::atan2(y, x) gives, within 1e-15 rad.
// The octant of the point reduces the angle to that of t = min/max of |x| and
// |y| in [0, 1]; t is taken to the nearest of 0, tan(π/8) and 1 (c below) by
// the angle-subtraction formula u = (t - c) / (1 + t c), computed from the
// two coordinates, so that |u| < 0.23; atan u comes from its Taylor series
// to u^25 (the first term left out is below 2e-19), evaluated
// in u^4 in two interleaved chains. Every step acts on each lane alone, in
// its written order (the build never fuses a product and a sum), so a value
// does not depend on its lane or its neighbours, and the baseline and AVX2
// copies of a caller give the same bits. Both coordinates zero give 0.
// (The vectors pass by reference, the result too: none goes by value.)
namespace orvane {

namespace lane_arc_tangent_detail {

// (-1)^n / (2n + 1), the Taylor coefficients of atan u / u in u².
constexpr double taylor(int n) { return (n % 2 == 0 ? 1.0 : -1.0) / (2 * n + 1); }

constexpr long double PI = std::numbers::pi_v<long double>;
// tan(π/8) = √2 - 1, and its angle.
constexpr double TAN_EIGHTH = static_cast<double>(std::numbers::sqrt2_v<long double> - 1);
constexpr double EIGHTH = static_cast<double>(PI / 8);
constexpr double QUARTER = static_cast<double>(PI / 4);
constexpr double HALF_PI = static_cast<double>(PI / 2);
constexpr double WHOLE_PI = static_cast<double>(PI);
// The middles between 0, tan(π/8) and 1, where the nearer of them changes:
// from them u reaches 0.23 at most.
constexpr double FIRST_MIDDLE = TAN_EIGHTH / 2;
constexpr double SECOND_MIDDLE = (TAN_EIGHTH + 1) / 2;

}  // namespace lane_arc_tangent_detail

template <class Lanes>
[[gnu::always_inline]] inline void lane_arc_tangent(const Lanes& y, const Lanes& x, Lanes& out) {
    using namespace lane_arc_tangent_detail;
    const Lanes ax = x < 0.0 ? -x : x, ay = y < 0.0 ? -y : y;
    const auto exchanged = ay > ax;
    const Lanes small = exchanged ? ax : ay, large = exchanged ? ay : ax;
    const auto past_first = small > FIRST_MIDDLE * large, past_second = small > SECOND_MIDDLE * large;
    const Lanes zero = x * 0.0;
    const Lanes c = past_second ? zero + 1.0 : (past_first ? zero + TAN_EIGHTH : zero);
    const Lanes base = past_second ? zero + QUARTER : (past_first ? zero + EIGHTH : zero);
    const Lanes denominator = large + c * small;
    const Lanes u = (small - c * large) / (denominator == 0.0 ? zero + 1.0 : denominator);
    const Lanes u2 = u * u, u4 = u2 * u2;
    // atan u / u = even(u^4) + u^2 odd(u^4), the terms 0, 2, .., 12 and 1, 3, .., 11.
    Lanes even = zero + taylor(12), odd = zero + taylor(11);
    for (int n = 10; n >= 0; n -= 2) even = even * u4 + taylor(n);
    for (int n = 9; n >= 1; n -= 2) odd = odd * u4 + taylor(n);
    Lanes angle = base + u * (even + u2 * odd);
    angle = exchanged ? HALF_PI - angle : angle;
    angle = x < 0.0 ? WHOLE_PI - angle : angle;
    out = y < 0.0 ? -angle : angle;
}

}  // namespace orvane
