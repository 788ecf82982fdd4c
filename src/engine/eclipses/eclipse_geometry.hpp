#pragma once
#include <cmath>
#include <expected>
#include <functional>
#include <string_view>

#include "core/errors.hpp"
#include "core/observer/earth_ellipsoid.hpp"
#include "core/position_options.hpp"
#include "core/vector.hpp"
#include "engine/engine.hpp"

// What every eclipse computation shares: the apparent Sun and Moon as
// vectors, the bodies' radii, and the search for the instant at which two
// directions pass closest.
namespace orvane {

// The Earth's equatorial radius in km (GRS80).
inline constexpr double EARTH_EQUATORIAL_RADIUS_KM = GRS80_EQUATORIAL_RADIUS_M / 1000.0;
// The Moon's radius in Earth equatorial radii, k = 0.2725076 (IAU 1982, as
// adopted for eclipse predictions by the Astronomical Almanac since 1982).
inline constexpr double MOON_RADIUS_EARTH_RADII = 0.2725076;
inline constexpr double MOON_RADIUS_KM = MOON_RADIUS_EARTH_RADII * EARTH_EQUATORIAL_RADIUS_KM;
// The Sun's radius, 696,000 km (Allen's Astrophysical Quantities, 4th ed.).
inline constexpr double SUN_RADIUS_KM = 696000.0;

// The apparent (light-time, deflection, aberration) Sun and Moon as seen from
// the geocentre or a place, on the true equator and equinox of date, in km.
struct SunMoonVectors {
    Vector3 sun_km{};
    Vector3 moon_km{};
};

// Both bodies at one TT day from the origin (geocentric or topocentric):
// one batch request, failing as the position request would.
std::expected<SunMoonVectors, OrvaneError> apparent_sun_moon(const SpkOrvane& engine, double tt_julian_day,
                                                             const Origin& origin);

// Whether the engine can turn the Earth (UT1) at the TT day, as a solar
// eclipse search must to put the shadow on the ground: nothing when it can,
// or when only the day lies beyond its tables (that error comes with the
// day itself); the search named and the kernels it lacks otherwise.
std::expected<void, OrvaneError> require_earth_rotation(const SpkOrvane& engine, std::string_view search,
                                                        double tt_julian_day);

inline double norm(const Vector3& v) { return std::sqrt(dot(v, v)); }
inline Vector3 scaled(const Vector3& v, double s) { return {v[0] * s, v[1] * s, v[2] * s}; }
inline Vector3 minus(const Vector3& a, const Vector3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Vector3 unit(const Vector3& v) { return scaled(v, 1.0 / norm(v)); }

// The angle between two unit vectors, radians, accurate at every size
// (2 asin of half the chord).
double angle_between_units(const Vector3& a, const Vector3& b);

// The semi-diameter (radians) of a sphere of the radius seen from the distance.
inline double semi_diameter(double radius_km, double distance_km) { return std::asin(radius_km / distance_km); }

// A vector offset that shrinks to its least length at the sought instant (the
// Moon from the shadow's axis, the axis from the geocentre, ...).
using OffsetFunction = std::function<std::expected<Vector3, OrvaneError>(double tt_julian_day)>;

// The TT day near `guess` at which |offset| is least: Newton steps on the
// derivative of |offset|² from central differences over 86.4 s, each step
// at most a quarter of a day, until a step is below a millisecond (at most
// 30 steps). The offset must change smoothly over the quarter day.
std::expected<double, OrvaneError> closest_approach(const OffsetFunction& offset, double guess);

}  // namespace orvane
