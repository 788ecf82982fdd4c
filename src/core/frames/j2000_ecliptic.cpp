#include "core/frames/j2000_ecliptic.hpp"

#include <array>

namespace orvane {

namespace {

// cos and sin of the J2000 obliquity ε0 = 84381.448″.
constexpr double COS_EPSILON_0 = 0.9174820620691818;
constexpr double SIN_EPSILON_0 = 0.39777715593191365;

std::array<double, 3> rotate(const std::array<double, 3>& v) {
    return {v[0], COS_EPSILON_0 * v[1] + SIN_EPSILON_0 * v[2], -SIN_EPSILON_0 * v[1] + COS_EPSILON_0 * v[2]};
}

}  // namespace

std::expected<CartesianState, CoordinateError> to_j2000_ecliptic(const CartesianState& state) {
    if (!state.is_finite()) return std::unexpected(CoordinateError::NonFiniteState);
    return CartesianState{rotate(state.position), rotate(state.velocity)};
}

}  // namespace orvane
