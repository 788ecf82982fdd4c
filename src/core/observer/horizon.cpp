#include "core/observer/horizon.hpp"

#include <cmath>

namespace orvane {

std::expected<HorizonCrossing, CoordinateError> rise_set_hour_angle(double latitude_rad, double declination_rad,
                                                                    double altitude_rad) {
    if (!std::isfinite(latitude_rad) || !std::isfinite(declination_rad) || !std::isfinite(altitude_rad)) {
        return std::unexpected(CoordinateError::NonFiniteState);
    }
    const double sin_h0 = std::sin(altitude_rad);
    const double sin_product = std::sin(latitude_rad) * std::sin(declination_rad);
    const double k = std::cos(latitude_rad) * std::cos(declination_rad);
    using Kind = HorizonCrossing::Kind;
    if (std::abs(k) < 1e-18) {
        return HorizonCrossing{sin_h0 <= sin_product ? Kind::AlwaysAbove : Kind::AlwaysBelow, 0.0};
    }
    const double x = (sin_h0 - sin_product) / k;
    if (x > 1.0) return HorizonCrossing{Kind::AlwaysBelow, 0.0};
    if (x < -1.0) return HorizonCrossing{Kind::AlwaysAbove, 0.0};
    return HorizonCrossing{Kind::Crossing, std::acos(x)};
}

}  // namespace orvane
