#pragma once
#include "core/constants.hpp"
#include "core/lane_arc_tangent.hpp"
#include "core/lane_square_root.hpp"

// to_spherical for the lanes of a vector of doubles, each lane alone, or for
// one double, with lane_arc_tangent for the two angles (within 4.4e-16 rad
// of atan2). Only what a position delivers: longitude, latitude, distance
// and the longitude's rate; the caller checks the lanes (a zero position or
// one on the z axis has no longitude: rho2 zero).
namespace orvane {

template <class T>
struct LaneSpherical {
    T longitude_deg, latitude_deg, distance_km, longitude_rate_deg_per_day;
    T rho2;  // x² + y²
};

template <class T>
[[gnu::always_inline]] inline void lane_spherical(const T (&p)[3], const T& vx, const T& vy, LaneSpherical<T>& out) {
    const T &x = p[0], &y = p[1], &z = p[2];
    const T rho2 = x * x + y * y;
    const T r2 = z * z + rho2;
    T longitude, latitude;
    lane_arc_tangent(y, x, longitude);
    T rho;
    lane_square_root(rho2, rho);
    lane_arc_tangent(z, rho, latitude);
    // reduce_degrees of an angle within a half turn: one turn added when negative.
    T degrees = longitude * RAD_TO_DEG;
    degrees = degrees < 0.0 ? degrees + 360.0 : degrees;
    degrees = degrees >= 360.0 ? degrees * 0.0 : degrees;
    out.longitude_deg = degrees + 0.0;
    out.latitude_deg = latitude * RAD_TO_DEG;
    lane_square_root(r2, out.distance_km);
    out.longitude_rate_deg_per_day = (x * vy - y * vx) / rho2 * RAD_TO_DEG * SECONDS_PER_DAY;
    out.rho2 = rho2;
}

}  // namespace orvane
