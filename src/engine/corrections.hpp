#pragma once
#include <array>

#include "core/cartesian_state.hpp"
#include "core/vector.hpp"

// The corrections that turn a geometric direction into an apparent one. Each
// turns the whole state (position and velocity) and keeps its length.
namespace orvane {

// Rotates position and velocity about a x b by the angle that carries the unit
// vector a onto the unit vector b; unchanged when a x b is exactly zero.
CartesianState rotate_state(const CartesianState& state, const Vector3& a, const Vector3& b);

// First-order aberration for an observer moving with velocity v (km/s).
CartesianState apply_stellar_aberration(const CartesianState& relative, const Vector3& observer_velocity);

// Light deflection by the Sun, for an observer at o and the Sun at s
// (barycentric positions, km).
CartesianState apply_solar_gravitational_deflection(const CartesianState& relative, const Vector3& observer_position,
                                                    const Vector3& sun_position);

}  // namespace orvane
