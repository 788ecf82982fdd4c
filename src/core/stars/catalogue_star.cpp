#include "core/stars/catalogue_star.hpp"

#include <array>
#include <cmath>
#include <numbers>

#include "core/constants.hpp"

namespace orvane {

namespace {

constexpr double MAS_TO_RAD = std::numbers::pi / (180.0 * 3600.0 * 1000.0);
constexpr double SECONDS_PER_JULIAN_YEAR = 365.25 * 86400.0;

}  // namespace

double catalogue_star_distance_km(const CatalogueStar& star) {
    const double parallax = star.parallax_mas >= MINIMUM_PARALLAX_MAS ? star.parallax_mas : MINIMUM_PARALLAX_MAS;
    return AU_KM / std::sin(parallax * MAS_TO_RAD);
}

// The space motion of ERFA's eraStarpv without the radial velocity; moved
// linearly from the catalogue epoch.
CartesianState catalogue_star_state(const CatalogueStar& star, double tt_julian_day) {
    const double distance_km = catalogue_star_distance_km(star);
    const double sa = std::sin(star.right_ascension_rad), ca = std::cos(star.right_ascension_rad);
    const double sd = std::sin(star.declination_rad), cd = std::cos(star.declination_rad);
    const double per_second = MAS_TO_RAD / SECONDS_PER_JULIAN_YEAR * distance_km;
    const double east = star.proper_motion_ra_cos_dec_mas_per_year * per_second;  // km/s along increasing RA
    const double north = star.proper_motion_dec_mas_per_year * per_second;        // km/s along increasing Dec
    CartesianState s;
    s.velocity = {-sa * east - ca * sd * north, ca * east - sa * sd * north, cd * north};
    const double elapsed = (tt_julian_day - star.epoch_julian_day) * SECONDS_PER_DAY;
    const std::array<double, 3> direction{ca * cd, sa * cd, sd};
    for (int i = 0; i < 3; ++i) s.position[i] = direction[i] * distance_km + s.velocity[i] * elapsed;
    return s;
}

}  // namespace orvane
