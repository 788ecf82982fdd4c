#include "core/frames/j2000_ecliptic.hpp"

#include <array>

namespace orvane {

namespace {

std::array<double, 3> rotate(std::array<double, 3> v) {
    turn_to_j2000_ecliptic(v[1], v[2]);
    return v;
}

}  // namespace

std::expected<CartesianState, CoordinateError> to_j2000_ecliptic(const CartesianState& state) {
    if (!state.is_finite()) return std::unexpected(CoordinateError::NonFiniteState);
    return CartesianState{rotate(state.position), rotate(state.velocity)};
}

}  // namespace orvane
