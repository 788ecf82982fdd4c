#include "core/frames/j2000_ecliptic.hpp"

#include <array>

namespace orvane {

namespace {

std::array<double, 3> rotate(const std::array<double, 3>& v) {
    return {v[0], COS_EPSILON_0 * v[1] + SIN_EPSILON_0 * v[2], -SIN_EPSILON_0 * v[1] + COS_EPSILON_0 * v[2]};
}

}  // namespace

std::expected<CartesianState, CoordinateError> to_j2000_ecliptic(const CartesianState& state) {
    if (!state.is_finite()) return std::unexpected(CoordinateError::NonFiniteState);
    return CartesianState{rotate(state.position), rotate(state.velocity)};
}

}  // namespace orvane
