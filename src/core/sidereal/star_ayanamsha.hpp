#pragma once
#include <optional>

#include "core/cartesian_state.hpp"
#include "core/selectors.hpp"

namespace orvane {

// A star's catalogue astrometry: ICRS direction at the catalogue epoch,
// proper motion and parallax.
struct CatalogueStar {
    double right_ascension_rad;
    double declination_rad;
    double epoch_julian_day;                      // TT
    double proper_motion_ra_cos_dec_mas_per_year;
    double proper_motion_dec_mas_per_year;
    double parallax_mas;
};

// A sidereal zodiac anchored on a star: the star stands at the given sidereal
// longitude, so the ayanamsha is the star's longitude less that one.
struct StarAnchor {
    CatalogueStar star;
    double sidereal_longitude_deg;
};

// The anchor of a star-based mode; nothing for a mode fixed by an epoch and a
// value.
std::optional<StarAnchor> star_anchor(SiderealMode mode);

// The star's barycentric position (km, ICRS axes) at a TT Julian day, moved
// along its proper motion from the catalogue epoch; its velocity (km/s) in the
// velocity slot.
CartesianState catalogue_star_state(const CatalogueStar& star, double tt_julian_day);

}  // namespace orvane
