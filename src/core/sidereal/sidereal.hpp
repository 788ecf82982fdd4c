#pragma once
#include <expected>

#include "core/errors.hpp"
#include "core/selectors.hpp"

namespace orvane {

// The ayanamsha of a mode at one instant and its rate.
struct Ayanamsha {
    SiderealMode mode = SiderealMode::Lahiri;
    double ayanamsha_deg = 0.0;
    double rate_deg_per_day = 0.0;
};

// Ayanamsha in degrees at a TT Julian day: the mode's offset at its reference
// epoch plus the IAU 2006 general precession in longitude accumulated since.
// NonFiniteState for a non-finite day. Only for the modes fixed by an epoch
// and a value (star_anchor gives none); a star-anchored mode gives NaN.
std::expected<double, CoordinateError> ayanamsha_deg(SiderealMode mode, double tt_julian_day);

// Rate of the ayanamsha in degrees per day (the same for every mode).
std::expected<double, CoordinateError> ayanamsha_rate_deg_per_day(double tt_julian_day);

}  // namespace orvane
