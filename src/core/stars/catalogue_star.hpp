#pragma once

#include "core/cartesian_state.hpp"

namespace orvane {

// A star's catalogue astrometry: ICRS direction at the catalogue epoch,
// proper motion and parallax. No radial velocity: the Hipparcos catalogue
// gives none, and the space motion takes it as zero.
struct CatalogueStar {
    double right_ascension_rad;
    double declination_rad;
    double epoch_julian_day;                      // TT
    double proper_motion_ra_cos_dec_mas_per_year;
    double proper_motion_dec_mas_per_year;
    double parallax_mas;
};

// The Hipparcos catalogue epoch J1991.25 (TT).
inline constexpr double HIPPARCOS_EPOCH_JULIAN_DAY = 2448349.0625;

// The smallest parallax the space motion uses (mas): a parallax that is
// zero, negative or not a number stands for this one, 1e-7 arcsecond, as
// ERFA's eraStarpv does, so the star is far but its proper motion is kept.
inline constexpr double MINIMUM_PARALLAX_MAS = 1e-4;

// The star's distance in km from its parallax (at least the minimum).
double catalogue_star_distance_km(const CatalogueStar& star);

// The star's barycentric position (km, ICRS axes) at a TT Julian day, moved
// along its proper motion from the catalogue epoch in a straight line at
// constant velocity; its velocity (km/s) in the velocity slot. The space
// motion of ERFA's eraStarpv with zero radial velocity; unlike eraStarpm it
// leaves out the change of the light time to the star over the interval
// (below 1 mas over a century for all but the nearest fast stars).
CartesianState catalogue_star_state(const CatalogueStar& star, double tt_julian_day);

}  // namespace orvane
