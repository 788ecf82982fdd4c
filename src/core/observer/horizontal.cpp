#include "core/observer/horizontal.hpp"

#include <cmath>

#include "core/frames/axis_rotations.hpp"
#include "core/constants.hpp"
#include "core/frames/precession.hpp"

namespace orvane {

namespace {

using Vector = std::array<double, 3>;

}  // namespace

HorizontalAngles horizontal_from_true_of_date(const Vector& direction, double gast_rad, double polar_motion_x_arcsec,
                                              double polar_motion_y_arcsec, double tt_julian_day,
                                              double east_longitude_rad, double latitude_rad) {
    // True of date -> terrestrial intermediate -> terrestrial (the inverse of
    // the chain that places an observer on the GCRS axes).
    const double s_prime = TIO_LOCATOR_RATE_RAD_PER_CENTURY * julian_centuries_since_j2000(tt_julian_day);
    Vector v = r3(direction, gast_rad);
    v = r3(v, s_prime);
    v = r2(v, -polar_motion_x_arcsec * ARCSEC_TO_RAD);
    v = r1(v, -polar_motion_y_arcsec * ARCSEC_TO_RAD);

    // East, north and up of the place.
    const double sin_lambda = std::sin(east_longitude_rad), cos_lambda = std::cos(east_longitude_rad);
    const double sin_phi = std::sin(latitude_rad), cos_phi = std::cos(latitude_rad);
    const double east = -sin_lambda * v[0] + cos_lambda * v[1];
    const double across = cos_lambda * v[0] + sin_lambda * v[1];
    const double north = -sin_phi * across + cos_phi * v[2];
    const double up = cos_phi * across + sin_phi * v[2];

    const double horizontal = std::hypot(east, north);
    double azimuth = horizontal != 0.0 ? std::atan2(east, north) : 0.0;
    if (azimuth < 0.0) azimuth += TWO_PI;
    const double altitude = horizontal != 0.0 || up != 0.0 ? std::atan2(up, horizontal) : 0.0;
    return {altitude, azimuth};
}

double standard_refraction_deg(double geometric_altitude_deg) {
    if (!(geometric_altitude_deg >= -1.0)) return 0.0;
    const double h = geometric_altitude_deg;
    const double refraction_arcmin = 1.02 / std::tan((h + 10.3 / (h + 5.11)) * DEG_TO_RAD);
    return refraction_arcmin > 0.0 ? refraction_arcmin / 60.0 : 0.0;
}

}  // namespace orvane
