#pragma once

#include "core/cartesian_state.hpp"
#include "core/vector.hpp"

namespace orvane {

// Aberration to all orders in v/c, with the Sun's gravitational time dilation
// at the observer (ERFA ab): the relative position turned onto the apparent
// direction, its length kept, and its velocity the exact time derivative of
// the turned position (the observer's acceleration and the change of its
// distance from the Sun included). Observer velocity km/s, acceleration
// km/s², the observer's state relative to the Sun km and km/s.
CartesianState apply_relativistic_aberration(const CartesianState& relative, const Vector3& observer_velocity,
                                             const Vector3& observer_acceleration,
                                             const CartesianState& observer_from_sun);

}  // namespace orvane
