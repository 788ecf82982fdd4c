#include "core/frames/spherical.hpp"

#include "core/frames/lane_spherical.hpp"

namespace orvane {

std::expected<SphericalCoordinates, CoordinateError> to_spherical(const CartesianState& state) {
    if (!state.is_finite()) return std::unexpected(CoordinateError::NonFiniteState);
    const auto& [x, y, z] = state.position;
    const double vx = state.velocity[0];
    const double vy = state.velocity[1];
    const double rho2 = x * x + y * y;
    const double r2 = z * z + rho2;
    if (r2 == 0.0) return std::unexpected(CoordinateError::UndefinedAtOrigin);
    if (rho2 == 0.0) return std::unexpected(CoordinateError::UndefinedOnZAxis);

    // The arithmetic of the lanes (core/frames/lane_spherical.hpp), one lane.
    const double position[3] = {x, y, z};
    LaneSpherical<double> lanes;
    lane_spherical(position, vx, vy, lanes);
    SphericalCoordinates out;
    out.longitude_deg = lanes.longitude_deg;
    out.latitude_deg = lanes.latitude_deg;
    out.distance_km = lanes.distance_km;
    out.longitude_rate_deg_per_day = lanes.longitude_rate_deg_per_day;
    return out;
}

}  // namespace orvane
