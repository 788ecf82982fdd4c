#pragma once
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

namespace orvane {

// The sky of one moment at one place, as every house division needs it:
// right ascension of the meridian, true obliquity and geodetic latitude, with
// their sines and cosines, the ascendant and midheaven (radians, any turn),
// and whether the midheaven lies below the horizon (only inside the polar
// circles, where the ecliptic point on the meridian above the horizon is the
// one opposite the midheaven).
struct HouseSky {
    double ramc, sin_ramc, cos_ramc;
    double sin_eps, cos_eps;
    double phi, sin_phi, cos_phi;
    double asc, mc;
    bool midheaven_below = false;
    // The Sun's apparent declination of date, for the systems built on its
    // diurnal circle (Sunshine); absent when the caller gave none.
    std::optional<double> sun_declination = std::nullopt;
};

// True where the ecliptic point culminating when the meridian has right
// ascension t (its sine given) lies below the horizon of the latitude phi,
// which happens only inside the polar circles. The line where the ecliptic
// cuts the horizon is the zenith Z crossed with the ecliptic pole K, and
// atan2(cos t cos phi, -(sin phi sin eps + cos phi sin t cos eps)), the
// textbook ascendant, is the longitude of K x Z, whose component along the
// east point E of the horizon is (K x Z) . E = K . (Z x E) = K . N, N being
// the north point of the horizon: cos eps cos phi + sin eps sin phi sin t.
// That is negative exactly when the midheaven lies below the horizon, and
// the textbook formula then gives the setting point of the ecliptic.
inline bool midheaven_below_horizon(double sin_t, double sin_eps, double cos_eps, double sin_phi, double cos_phi) {
    return cos_eps * cos_phi + sin_eps * sin_phi * sin_t < 0.0;
}

// Half a circle where the midheaven lies below the horizon, else nothing: what
// turns a cusp of the systems whose house circles pass through the north and
// south points of the horizon from the half of its circle below the horizon to
// the half above it, where its division point lies, when it was found by an
// oblique-ascension formula continuous with the midheaven.
inline double turn_above_horizon(const HouseSky& sky) { return sky.midheaven_below ? std::numbers::pi : 0.0; }

using HouseCuspsRad = std::array<double, 12>;  // cusps 1 to 12, radians, any turn

// Ecliptic longitude of the point with right ascension alpha.
inline double ecliptic_longitude_at_right_ascension(double alpha, const HouseSky& sky) {
    return std::atan2(std::sin(alpha), std::cos(alpha) * sky.cos_eps);
}

// Ecliptic longitude where the horizon of pole height phi_p (given as its
// tangent), crossing the equator at right ascension r, meets the ecliptic on
// its eastern side: the ascendant of the latitude phi_p at the right ascension
// of the meridian r - 90 degrees (the oblique-ascension relation).
inline double ecliptic_longitude_under_pole(double r, double tan_pole, const HouseSky& sky) {
    return std::atan2(std::sin(r), std::cos(r) * sky.cos_eps - tan_pole * sky.sin_eps);
}

// The cusps opposite 11, 12, 2 and 3, and the angles, around those four.
inline HouseCuspsRad with_angles(const HouseSky& sky, double c11, double c12, double c2, double c3) {
    constexpr double PI = std::numbers::pi;
    return {sky.asc, c2, c3, sky.mc + PI, c11 + PI, c12 + PI, sky.asc + PI, c2 + PI, c3 + PI, sky.mc, c11, c12};
}

// Ascensional difference of a declination (sin of the declination given): the
// excess of its diurnal semi-arc over 90 degrees; its sine is clamped to
// [-1, 1], which only rounding leaves for a point on the horizon.
inline double ascensional_difference(double sin_delta, const HouseSky& sky) {
    const double cos_delta = std::sqrt(1.0 - sin_delta * sin_delta);
    return std::asin(std::clamp(sky.sin_phi * sin_delta / (sky.cos_phi * cos_delta), -1.0, 1.0));
}

// True when the declination (its sine given) never rises or never sets.
inline bool circumpolar(double sin_delta, const HouseSky& sky) {
    const double cos_delta = std::sqrt(1.0 - sin_delta * sin_delta);
    return !(std::abs(sky.sin_phi * sin_delta) <= std::abs(sky.cos_phi * cos_delta));
}

}  // namespace orvane
