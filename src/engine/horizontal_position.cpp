#include "engine/horizontal_position.hpp"

#include <array>
#include <cmath>

#include "core/constants.hpp"
#include "core/observer/horizontal.hpp"
#include "engine/horizon_events.hpp"
#include "engine/instant_frame.hpp"
#include "engine/request_options.hpp"

namespace orvane {

std::expected<HorizontalPosition, OrvaneError> horizontal_position(const SpkOrvane& engine, Body body,
                                                                   const GeodeticObserver& observer, Instant instant,
                                                                   bool refraction) {
    auto resolved = resolve_position_options(horizon_options(observer));
    if (!resolved) return std::unexpected(std::move(resolved.error()));
    auto converted = instant_frame(engine, *resolved, instant);
    if (!converted) return std::unexpected(std::move(converted.error()));
    auto place = position_at(engine, naif_code(body), *converted, *resolved);
    if (!place) return std::unexpected(std::move(place.error()));

    const double right_ascension = place->longitude_deg * DEG_TO_RAD;
    const double declination = place->latitude_deg * DEG_TO_RAD;
    const std::array<double, 3> direction{std::cos(declination) * std::cos(right_ascension),
                                          std::cos(declination) * std::sin(right_ascension), std::sin(declination)};
    const EarthOrientation& earth = converted->earth;
    const HorizontalAngles angles = horizontal_from_true_of_date(
        direction, earth.gast_rad, earth.polar_motion.x_arcsec, earth.polar_motion.y_arcsec, earth.tt_julian_day,
        observer.longitude_east_deg * DEG_TO_RAD, observer.latitude_deg * DEG_TO_RAD);
    double altitude_deg = angles.altitude_rad * RAD_TO_DEG;
    if (refraction) altitude_deg += standard_refraction_deg(altitude_deg);
    double azimuth_deg = angles.azimuth_rad * RAD_TO_DEG;
    if (azimuth_deg >= 360.0) azimuth_deg -= 360.0;  // rounding just below a full turn
    return HorizontalPosition{altitude_deg, azimuth_deg, place->distance_au};
}

}  // namespace orvane
