#include "core/frames/spherical.hpp"

#include <cmath>

#include "core/angles.hpp"
#include "core/constants.hpp"

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

    SphericalCoordinates out;
    out.longitude_deg = reduce_degrees(std::atan2(y, x) * RAD_TO_DEG);
    out.latitude_deg = std::atan2(z, std::sqrt(rho2)) * RAD_TO_DEG;
    out.distance_km = std::sqrt(r2);
    out.longitude_rate_deg_per_day = (x * vy - y * vx) / rho2 * RAD_TO_DEG * SECONDS_PER_DAY;
    return out;
}

}  // namespace orvane
