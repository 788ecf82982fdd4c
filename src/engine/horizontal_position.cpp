#include "engine/horizontal_position.hpp"

#include <array>
#include <cmath>

#include "core/constants.hpp"
#include "core/earth_rotation.hpp"
#include "core/horizontal.hpp"
#include "core/nutation.hpp"
#include "engine/horizon_events.hpp"
#include "engine/instant_conversion.hpp"

namespace orvane {

std::expected<HorizontalPosition, OrvaneError> horizontal_position(const SpkOrvane& engine, Body body,
                                                                   const GeodeticObserver& observer, Instant instant,
                                                                   bool refraction) {
    auto place = engine.position(body, instant, horizon_options(observer));
    if (!place) return std::unexpected(std::move(place.error()));
    auto epochs = earth_rotation_epochs(engine, instant.time_scale, instant.julian_day);
    if (!epochs) return std::unexpected(std::move(epochs.error()));
    const EarthOrientationTable& table = *engine.earth_orientation;
    auto utc = table.utc_julian_day_from_ut1(epochs->ut1_julian_day);
    if (!utc) return std::unexpected(OrvaneError::time_conversion(utc.error().message()));
    auto polar = table.polar_motion_arcsec(*utc);
    if (!polar) return std::unexpected(OrvaneError::time_conversion(polar.error().message()));

    const double right_ascension = place->longitude_deg * DEG_TO_RAD;
    const double declination = place->latitude_deg * DEG_TO_RAD;
    const std::array<double, 3> direction{std::cos(declination) * std::cos(right_ascension),
                                          std::cos(declination) * std::sin(right_ascension), std::sin(declination)};
    const double gast = greenwich_apparent_sidereal_time_iau2006(epochs->ut1_julian_day, epochs->tt_julian_day,
                                                                 nutation_iau2000b(epochs->tt_julian_day));
    const HorizontalAngles angles = horizontal_from_true_of_date(
        direction, gast, polar->x_arcsec, polar->y_arcsec, epochs->tt_julian_day,
        observer.longitude_east_deg * DEG_TO_RAD, observer.latitude_deg * DEG_TO_RAD);
    double altitude_deg = angles.altitude_rad * RAD_TO_DEG;
    if (refraction) altitude_deg += standard_refraction_deg(altitude_deg);
    double azimuth_deg = angles.azimuth_rad * RAD_TO_DEG;
    if (azimuth_deg >= 360.0) azimuth_deg -= 360.0;  // rounding just below a full turn
    return HorizontalPosition{altitude_deg, azimuth_deg, place->distance_au};
}

}  // namespace orvane
