#pragma once
#include <array>

#include "core/cartesian_state.hpp"
#include "core/dual_number.hpp"
#include "core/vector.hpp"

// The corrections that turn a geometric direction into an apparent one. Each
// turns the position and keeps its length; the velocity returned is the exact
// time derivative of the turned position, the turn's own rate included (the
// observer's acceleration for aberration, the motions of observer and Sun
// for deflection).
namespace orvane {

// Rotates position and velocity about a x b by the angle that carries the unit
// vector a onto the unit vector b; unchanged when a x b is exactly zero. A
// fixed rotation: the velocity is turned as the position.
CartesianState rotate_state(const CartesianState& state, const Vector3& a, const Vector3& b);

// The same turn with a and b moving (unit vectors with their rates): the
// velocity returned includes the rate of the turn.
CartesianState rotate_moving_state(const CartesianState& relative, const DualVector& a, const DualVector& b);

// First-order aberration for an observer moving with velocity v (km/s) and
// acceleration a (km/s²).
CartesianState apply_stellar_aberration(const CartesianState& relative, const Vector3& observer_velocity,
                                        const Vector3& observer_acceleration = {});

// Light deflection by the Sun, for an observer and the Sun at these
// barycentric states (km, km/s).
CartesianState apply_solar_gravitational_deflection(const CartesianState& relative, const CartesianState& observer,
                                                    const CartesianState& sun);

// The same for observer and Sun at rest at these positions (km).
CartesianState apply_solar_gravitational_deflection(const CartesianState& relative, const Vector3& observer_position,
                                                    const Vector3& sun_position);

}  // namespace orvane
