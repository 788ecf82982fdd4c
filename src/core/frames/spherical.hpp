#pragma once
#include <expected>

#include "core/cartesian_state.hpp"
#include "core/errors.hpp"

namespace orvane {

// Spherical form of a Cartesian state on whatever axes the state is on.
struct SphericalCoordinates {
    double longitude_deg = 0.0;               // [0, 360)
    double latitude_deg = 0.0;                // [-90, 90]
    double distance_km = 0.0;
    double longitude_rate_deg_per_day = 0.0;  // analytic, from the state's velocity
};

// NonFiniteState for any non-finite component, UndefinedAtOrigin for a zero
// position, UndefinedOnZAxis for a position on the z axis.
std::expected<SphericalCoordinates, CoordinateError> to_spherical(const CartesianState& state);

}  // namespace orvane
