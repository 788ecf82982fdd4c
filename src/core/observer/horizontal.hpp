#pragma once
#include <array>

#include "core/frames/nutation.hpp"

// Altitude and azimuth of a direction seen from a place on the Earth.
namespace orvane {

struct HorizontalAngles {
    double altitude_rad = 0.0;
    double azimuth_rad = 0.0;  // from north through east, in [0, 2π)
};

// A direction on the true equator and equinox of date (any length) turned
// into the place's horizon: Greenwich apparent sidereal time to the
// terrestrial intermediate axes, then polar motion x_p, y_p (arcseconds) with
// the TIO locator to the terrestrial axes, then the horizon of the geodetic
// east longitude and latitude (radians). The zenith is the ellipsoid normal.
// After ERFA eraApco (the terrestrial rotation with polar motion) and
// eraHd2ae (the horizon); a zero vector gives altitude 0 and azimuth 0.
HorizontalAngles horizontal_from_true_of_date(const std::array<double, 3>& direction, double gast_rad,
                                              double polar_motion_x_arcsec, double polar_motion_y_arcsec,
                                              double tt_julian_day, double east_longitude_rad, double latitude_rad);

// Standard atmospheric refraction in degrees for a geometric (airless)
// altitude in degrees, 1010 hPa and 10 °C: Saemundsson's formula (Sky and
// Telescope 72, 70, 1986; Meeus, Astronomical Algorithms, 16.4),
// R = 1.02' / tan(h + 10.3 / (h + 5.11)). Zero below −1° (the formula does
// not hold there) and never negative near the zenith.
double standard_refraction_deg(double geometric_altitude_deg);

}  // namespace orvane
