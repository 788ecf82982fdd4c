#pragma once
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

#include "core/selectors.hpp"

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

// Cusps of every system other than Placidus, Campanus, Equal and Whole Sign;
// nothing where the system is undefined at the sky's latitude.
std::optional<HouseCuspsRad> house_division_cusps(HouseSystem system, const HouseSky& sky);

// Cusps of the systems divided on the ecliptic: Vehlow equal, Porphyry, Sripati.
HouseCuspsRad ecliptic_division_cusps(HouseSystem system, const HouseSky& sky);

// Cusps of the systems whose house circles are great circles through an axis
// (the north and south points of the horizon, the zenith, the celestial or the
// ecliptic poles): Regiomontanus, Morinus, Meridian, Horizontal,
// Krusinski-Pisa, APC.
HouseCuspsRad great_circle_cusps(HouseSystem system, const HouseSky& sky);

// Cusps of the systems built on diurnal semi-arcs or pole heights: Koch,
// Alcabitius, Topocentric. Nothing where the construction is undefined (Koch
// inside the polar circles, where the midheaven never rises).
std::optional<HouseCuspsRad> semi_arc_cusps(HouseSystem system, const HouseSky& sky);

}  // namespace orvane
