#pragma once
#include <cmath>
#include <numbers>

#include "core/constants.hpp"

namespace orvane {

// Reduces an angle to [0, turn): floating remainder with the sign of the
// dividend, one turn added when negative. A tiny negative remainder whose sum
// with the turn rounds up to the full turn gives 0, and -0 gives +0, so the
// result is never negative and never equal to the turn.
inline double reduce_angle(double angle, double turn) {
    double r = std::abs(angle) < turn ? angle : std::fmod(angle, turn);  // the remainder within a turn is the angle
    if (r < 0.0) r += turn;
    if (r >= turn) r = 0.0;
    return r + 0.0;
}

// [0, 2π)
inline double reduce_radians(double angle) { return reduce_angle(angle, TWO_PI); }

// [0, 360)
inline double reduce_degrees(double angle) { return reduce_angle(angle, 360.0); }

// [−π, π): the angle plus a half turn reduced to [0, 2π), less the half turn.
inline double reduce_radians_signed(double angle) {
    return reduce_radians(angle + std::numbers::pi) - std::numbers::pi;
}

}  // namespace orvane
