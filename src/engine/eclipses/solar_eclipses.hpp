#pragma once
#include <cstdint>
#include <expected>
#include <vector>

#include "core/errors.hpp"
#include "core/vector.hpp"
#include "engine/engine.hpp"

// Solar eclipses over the whole Earth: the Moon's shadow cones, built from
// the apparent geocentric Sun and Moon and their radii, against the GRS80
// ellipsoid. The geometry is Bessel's (Explanatory Supplement to the
// Astronomical Almanac, 3rd ed., 2013, 11.2.1; Meeus, Elements of Solar
// Eclipses 1951-2200, 1989): the fundamental plane passes through the
// geocentre perpendicular to the shadow's axis; l1, l2 are the radii of the
// penumbral and umbral cones in it, f1, f2 their half-angles.
namespace orvane {

enum class SolarEclipseKind : std::uint8_t { Partial, Annular, Total, Hybrid };

// The shadow at one TT day, in km, on the true equator and equinox of date.
struct ShadowCones {
    Vector3 axis{};         // unit vector from the Sun through the Moon
    Vector3 moon_km{};      // the Moon, geocentric
    Vector3 sun_km{};       // the Sun, geocentric
    double l1 = 0.0;        // penumbral radius in the fundamental plane
    double l2 = 0.0;        // umbral radius there, negative where total
    double tan_f1 = 0.0;
    double tan_f2 = 0.0;
    Vector3 axis_offset{};  // from the geocentre to the axis's nearest point
};

std::expected<ShadowCones, OrvaneError> shadow_cones(const SpkOrvane& engine, double tt_julian_day);

// A point on the ellipsoid, geodetic degrees (east longitude), from a
// geocentric vector on the true equator of date and the Greenwich apparent
// sidereal time.
struct SurfacePlace {
    double longitude_east_deg = 0.0;
    double latitude_deg = 0.0;
};

// One solar eclipse. Days are TT Julian days.
struct SolarEclipse {
    SolarEclipseKind kind = SolarEclipseKind::Partial;
    // Whether the shadow's axis meets the Earth at greatest eclipse.
    bool central = false;
    // The instant the axis passes closest to the geocentre.
    double greatest = 0.0;
    // Where the axis meets the Earth then (central), or the point of the
    // Earth nearest the axis, on its limb (not central).
    SurfacePlace place{};
    // At that place: the fraction of the Sun's diameter covered, or the
    // ratio of the Moon's apparent diameter to the Sun's where central.
    double magnitude = 0.0;
    // The axis's least distance from the geocentre, Earth equatorial radii,
    // positive when it passes north of it.
    double gamma = 0.0;
    // Width of the path of totality or annularity at greatest eclipse, km:
    // the distance on the ellipsoid between the path's northern and southern
    // limits, perpendicular to the central line; 0 when not central.
    double path_width_km = 0.0;
};

// Every solar eclipse whose greatest eclipse falls in [start, end], in
// order: each new Moon is a candidate, greatest eclipse is refined to a
// millisecond. Needs the time kernels (the place's longitude reads UT1):
// without them fails naming this search and the kernels missing. The path
// widths are left 0 when not asked for (their limits are searched for).
std::expected<std::vector<SolarEclipse>, OrvaneError> find_solar_eclipses(const SpkOrvane& engine, double start,
                                                                          double end, bool with_path_widths = true);

}  // namespace orvane
