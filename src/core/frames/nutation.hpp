#pragma once
#include <cstddef>

namespace orvane {

// Nutation in longitude (Δψ) and in obliquity (Δε), radians.
struct Nutation {
    double longitude_rad = 0.0;
    double obliquity_rad = 0.0;
    // Their time derivatives, radians per day of TT (the series differentiated
    // term by term).
    double longitude_rate_rad_per_day = 0.0;
    double obliquity_rate_rad_per_day = 0.0;
};

// IAU 2000B nutation (77 luni-solar terms plus the fixed planetary offsets) at
// a TT Julian day. Never fails; a non-finite day gives non-finite values.
// This series is the main cost of every of-date frame: compute it once per
// instant and hand the result to everything that needs it.
Nutation nutation_iau2000b(double tt_julian_day);

// The same angles, bit for bit, without their rates (left at zero), for
// callers that need only the angles: the series' sums of the rates skipped.
Nutation nutation_iau2000b_angles(double tt_julian_day);

// Instants the 2000B series takes together.
inline constexpr std::size_t NUTATION_LANES = 4;

// The same at `count` TT Julian days at once (count from 1 to
// NUTATION_LANES), each out[j] bit for bit what nutation_iau2000b gives for
// its day: neighbouring instants share the vector lanes of one pass through
// the series.
void nutation_iau2000b_lanes(const double* tt_julian_days, std::size_t count, Nutation* out);

// IAU 2000A nutation, the full series of 678 luni-solar and 687 planetary
// terms, at a TT Julian day (ERFA nut00a). About twenty times the cost of the
// 2000B series.
Nutation nutation_iau2000a(double tt_julian_day);

// The 2000A nutation adjusted to the IAU 2006 precession (ERFA nut06a): the
// nutation to use with precession_angles_iau2006.
Nutation nutation_iau2006a(double tt_julian_day);

}  // namespace orvane
