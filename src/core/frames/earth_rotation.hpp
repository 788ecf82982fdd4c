#pragma once

#include "core/constants.hpp"
#include "core/frames/nutation.hpp"

namespace orvane {

// The rate of the Earth rotation angle beyond one turn per UT1 day, and the
// whole rate in radians per UT1 day (IAU 2000; ERFA eraEra00 and eraPvtob).
inline constexpr double ERA_RATE_BEYOND_ONE_TURN_PER_UT1_DAY = 0.00273781191135448;
inline constexpr double EARTH_ROTATION_RAD_PER_UT1_DAY = TWO_PI * (1.0 + ERA_RATE_BEYOND_ONE_TURN_PER_UT1_DAY);

// Earth rotation angle (IAU 2000) at a UT1 Julian day, radians in [0, 2π).
double earth_rotation_angle(double ut1_julian_day);

// Greenwich mean sidereal time, IAU 2006, radians in [0, 2π).
double greenwich_mean_sidereal_time_iau2006(double ut1_julian_day, double tt_julian_day);

// Greenwich apparent sidereal time in [0, 2π): IAU 2006 mean sidereal time plus
// the equation of the equinoxes with Δψ of the given nutation (IAU 2000B, or
// the 2006/2000A one), which the caller computed for tt_julian_day, and two
// complementary terms. With the 2006/2000A nutation this is ERFA gst06a
// within 0.04 mas from 1900 to 2100 (0.6 mas at 1550 and 2650); the full
// model takes ERFA's own chain instead (core/frames/cio_sidereal_time.hpp).
double greenwich_apparent_sidereal_time_iau2006(double ut1_julian_day, double tt_julian_day,
                                                const Nutation& nutation);

// Local apparent sidereal time in [0, 2π) for an east longitude in radians.
// Never fails; non-finite input gives a non-finite result.
double local_apparent_sidereal_time_iau2006(double east_longitude_rad, double ut1_julian_day,
                                            double tt_julian_day);

// The same with the IAU 2000B nutation at tt_julian_day already computed.
double local_apparent_sidereal_time_iau2006(double east_longitude_rad, double ut1_julian_day,
                                            double tt_julian_day, const Nutation& nutation);

}  // namespace orvane
