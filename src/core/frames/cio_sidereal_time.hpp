#pragma once

#include "core/frames/nutation.hpp"

namespace orvane {

// The CIO locator s, radians, at a TT Julian day for the CIP coordinates x, y
// of the IAU 2006/2000A bias-precession-nutation (ERFA s06; IERS Conventions
// 2010, Table 5.2d).
double cio_locator_s06(double tt_julian_day, double x, double y);

// Greenwich apparent sidereal time in [0, 2π) by the CIO-based chain of ERFA
// gst06a: the Earth rotation angle less the equation of the origins (ERFA
// eors) of the IAU 2006 precession with this nutation (the 2006/2000A one,
// computed by the caller for tt_julian_day) and of s06.
double greenwich_apparent_sidereal_time_iau2006a(double ut1_julian_day, double tt_julian_day,
                                                 const Nutation& nutation);

}  // namespace orvane
