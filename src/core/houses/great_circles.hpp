#pragma once
#include <cmath>

#include "core/houses/house_division.hpp"
#include "core/vector.hpp"

// The frame of the systems whose house circles are great circles through a
// fixed axis (the north and south points of the horizon, the zenith, the
// celestial pole): a cusp is where the circle of its house meets the ecliptic.
// Vectors are on the equatorial axes of date (x to the equinox, z to the pole).
namespace orvane {

inline Vector3 combine(double a, const Vector3& u, double b, const Vector3& v) {
    return {a * u[0] + b * v[0], a * u[1] + b * v[1], a * u[2] + b * v[2]};
}

struct HorizonFrame {
    Vector3 zenith, east, north;  // zenith, east and north points of the horizon
    Vector3 ecliptic_pole;
};

inline HorizonFrame horizon_frame(const HouseSky& sky) {
    return {{sky.cos_phi * sky.cos_ramc, sky.cos_phi * sky.sin_ramc, sky.sin_phi},
            {-sky.sin_ramc, sky.cos_ramc, 0.0},
            {-sky.sin_phi * sky.cos_ramc, -sky.sin_phi * sky.sin_ramc, sky.cos_phi},
            {0.0, -sky.sin_eps, sky.cos_eps}};
}

// Ecliptic longitude where the great circle through the axis point `axis` and
// the point `through` meets the ecliptic, on the half of the circle (between
// the axis point and its antipode) that holds `through`.
inline double crossing(const HorizonFrame& f, const Vector3& axis, const Vector3& through, const HouseSky& sky) {
    Vector3 x = cross(f.ecliptic_pole, cross(axis, through));
    const Vector3 side = combine(1.0, through, -dot(through, axis), axis);
    if (dot(x, side) < 0.0) x = combine(-1.0, x, 0.0, x);
    return std::atan2(x[1] * sky.cos_eps + x[2] * sky.sin_eps, x[0]);
}

// The cusps of a division of a parallel of declination (its sine given) by
// the horizon and the meridian, the diurnal and the nocturnal semi-arcs each
// trisected in hour angle; the house circles pass through those points and
// the north and south points of the horizon. Cusps 1, 4, 7 and 10 fall on the
// horizon and the meridian.
inline HouseCuspsRad trisected_parallel(const HouseSky& sky, double sin_delta) {
    constexpr double PI = std::numbers::pi;
    constexpr double HALF_PI = PI / 2.0;
    const HorizonFrame f = horizon_frame(sky);
    const double cos_delta = std::sqrt(1.0 - sin_delta * sin_delta);
    const double x = std::clamp(sky.sin_phi * sin_delta / (sky.cos_phi * cos_delta), -1.0, 1.0);
    const double day = HALF_PI + std::asin(x);  // diurnal semi-arc
    const double night = PI - day;
    auto cusp = [&](double hour_angle) {
        const double alpha = sky.ramc - hour_angle;
        return crossing(f, f.north, Vector3{cos_delta * std::cos(alpha), cos_delta * std::sin(alpha), sin_delta},
                        sky);
    };
    HouseCuspsRad c{};
    for (int k = 0; k < 3; ++k) {
        c[(k + 9) % 12] = cusp(-k * day / 3.0);        // 10, 11, 12
        c[k] = cusp(-day - k * night / 3.0);           // 1, 2, 3
        c[(k + 3) % 12] = cusp(PI - k * night / 3.0);  // 4, 5, 6
        c[(k + 6) % 12] = cusp(day - k * day / 3.0);   // 7, 8, 9
    }
    return c;
}

}  // namespace orvane
