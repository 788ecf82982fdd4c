#pragma once
#include <cmath>
#include <expected>
#include <limits>
#include <vector>

#include "core/errors.hpp"
#include "engine/engine.hpp"

// Lunar eclipses: the Moon passing through the Earth's penumbra and umbra.
// After the Explanatory Supplement to the Astronomical Almanac (3rd ed.,
// 2013, 11.2.3) and Espenak & Meeus, Five Millennium Canon of Lunar Eclipses
// (NASA/TP-2009-214172, 2009, 1.4): the shadow's centre lies opposite the
// apparent Sun, at the distance of the apparent Moon.
namespace orvane {

enum class LunarEclipseKind : std::uint8_t { Penumbral, Partial, Total };

// How the shadow is enlarged by the Earth's atmosphere.
// Danjon: the Earth's parallax enlarged by 1/100 (Danjon 1951; the rule of
// the French almanac, of Espenak & Meeus, and of Skyfield):
//     umbra = 1.01 π₁ + π☉ − s☉,  penumbra = 1.01 π₁ + π☉ + s☉.
// Chauvenet: both radii enlarged by 1/50 (Chauvenet 1891; the Astronomical
// Almanac's rule): umbra = 1.02 (π₁ + π☉ − s☉), penumbra = 1.02 (π₁ + π☉ + s☉).
// π₁ is the Moon's equatorial horizontal parallax (GRS80 radius), π☉ the
// Sun's, s☉ the Sun's semi-diameter.
enum class ShadowRule : std::uint8_t { Danjon, Chauvenet };

inline constexpr double NOT_REACHED = std::numeric_limits<double>::quiet_NaN();

// One lunar eclipse; days are TT Julian days, a contact the eclipse does not
// reach is NaN (P1, P4 always; U1, U4 from partial; U2, U3 when total).
struct LunarEclipse {
    LunarEclipseKind kind = LunarEclipseKind::Penumbral;
    double greatest = 0.0;
    double p1 = NOT_REACHED, u1 = NOT_REACHED, u2 = NOT_REACHED;
    double u3 = NOT_REACHED, u4 = NOT_REACHED, p4 = NOT_REACHED;
    // Fraction of the Moon's diameter inside the umbra (penumbra) at greatest
    // eclipse; negative when it stays out of the umbra.
    double umbral_magnitude = 0.0;
    double penumbral_magnitude = 0.0;
    // The least distance of the Moon's centre from the shadow's axis, in
    // Earth equatorial radii, positive when the Moon passes north of it.
    double gamma = 0.0;
    // Radii at greatest eclipse, radians: the Moon's semi-diameter, the
    // umbra's and the penumbra's, and the Moon's distance from the axis.
    double moon_radius_rad = 0.0;
    double umbra_radius_rad = 0.0;
    double penumbra_radius_rad = 0.0;
    double separation_rad = 0.0;
};

// The Moon's geocentric separation from the shadow's centre and the three
// radii at a TT day.
struct LunarShadowGeometry {
    double separation_rad = 0.0;
    double moon_radius_rad = 0.0;
    double umbra_radius_rad = 0.0;
    double penumbra_radius_rad = 0.0;
    double gamma = 0.0;
};

std::expected<LunarShadowGeometry, OrvaneError> lunar_shadow_geometry(const SpkOrvane& engine, double tt_julian_day,
                                                                      ShadowRule rule);

// Every lunar eclipse whose greatest eclipse falls in [start, end] (TT Julian
// days), in order. Each full Moon is a candidate; greatest eclipse is the
// least separation of the Moon from the shadow's centre and each contact a
// zero of that separation less a sum or difference of radii, all refined to
// a millisecond.
std::expected<std::vector<LunarEclipse>, OrvaneError> find_lunar_eclipses(const SpkOrvane& engine, double start,
                                                                          double end, ShadowRule rule);

}  // namespace orvane
