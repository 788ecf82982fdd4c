#include "core/frames/earth_rotation.hpp"

#include <cmath>

#include "core/angles.hpp"
#include "core/constants.hpp"
#include "core/fused_multiply_add.hpp"
#include "core/frames/fundamental_arguments.hpp"
#include "core/frames/precession.hpp"

namespace orvane {

namespace {

constexpr double ERA_AT_J2000_TURNS = 0.779057273264;

// Complementary terms of the equation of the equinoxes, radians.
double complementary_terms(double t) {
    const double omega = moon_node_longitude_iau2000b_rad(t);
    return (0.00264096 * std::sin(omega) + 6.352e-5 * std::sin(2.0 * omega)) * ARCSEC_TO_RAD;
}

}  // namespace

// The fraction of the day is the day less its floor, which is exact: the
// value std::fmod and one day added when negative give, without the remainder
// loop. The angle's whole turns come off by one fused multiply-add: with n the
// rounded quotient's whole part, the true one or one away, x - 2πn is exact
// (it is a multiple of the last place of 2π below 8), the remainder std::fmod
// gives or it plus or minus one turn, which reduce_radians takes to the same
// bits as from x itself.
ORVANE_FMA_CLONES double earth_rotation_angle(double ut1_julian_day) {
    const double fraction = ut1_julian_day - std::floor(ut1_julian_day);
    const double days = ut1_julian_day - J2000_JULIAN_DAY;
    const double angle = TWO_PI * (ERA_AT_J2000_TURNS + fraction + ERA_RATE_BEYOND_ONE_TURN_PER_UT1_DAY * days);
    return reduce_radians(std::fma(-std::trunc(angle / TWO_PI), TWO_PI, angle));
}

ORVANE_FMA_CLONES double greenwich_mean_sidereal_time_iau2006(double ut1_julian_day, double tt_julian_day) {
    const double t = julian_centuries_since_j2000(tt_julian_day);
    double p = std::fma(-3.68e-8, t, -2.9956e-5);
    p = std::fma(p, t, -4.4e-7);
    p = std::fma(p, t, 1.3915817);
    p = std::fma(p, t, 4612.156534);
    p = std::fma(p, t, 0.014506);
    return reduce_radians(earth_rotation_angle(ut1_julian_day) + p * ARCSEC_TO_RAD);
}

double greenwich_apparent_sidereal_time_iau2006(double ut1_julian_day, double tt_julian_day,
                                                const Nutation& nutation) {
    const double t = julian_centuries_since_j2000(tt_julian_day);
    // GMST + Δψ cos ε_A + complementary terms, added in that order.
    return reduce_radians(greenwich_mean_sidereal_time_iau2006(ut1_julian_day, tt_julian_day) +
                          nutation.longitude_rad * std::cos(mean_obliquity_iau2006_rad(t)) + complementary_terms(t));
}

double local_apparent_sidereal_time_iau2006(double east_longitude_rad, double ut1_julian_day,
                                            double tt_julian_day) {
    return local_apparent_sidereal_time_iau2006(east_longitude_rad, ut1_julian_day, tt_julian_day,
                                                nutation_iau2000b(tt_julian_day));
}

double local_apparent_sidereal_time_iau2006(double east_longitude_rad, double ut1_julian_day,
                                            double tt_julian_day, const Nutation& nutation) {
    return reduce_radians(greenwich_apparent_sidereal_time_iau2006(ut1_julian_day, tt_julian_day, nutation) +
                          east_longitude_rad);
}

}  // namespace orvane
