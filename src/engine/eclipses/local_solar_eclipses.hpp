#pragma once
#include <cstdint>
#include <expected>
#include <vector>

#include "core/constants.hpp"
#include "core/errors.hpp"
#include "core/observer/geodetic_observer.hpp"
#include "engine/eclipses/lunar_eclipses.hpp"
#include "engine/engine.hpp"

// A solar eclipse as a place sees it: the apparent topocentric Moon crossing
// the apparent topocentric Sun (Explanatory Supplement to the Astronomical
// Almanac, 3rd ed., 2013, 11.2.2, with the positions taken whole from the
// ephemeris rather than from Besselian elements).
namespace orvane {

enum class LocalEclipseKind : std::uint8_t { Partial, Annular, Total };

// One local eclipse. Days are TT Julian days; a contact not reached is NaN
// (C2, C3 only where annular or total), and so is its altitude.
struct LocalSolarEclipse {
    LocalEclipseKind kind = LocalEclipseKind::Partial;
    double maximum = 0.0;  // least separation of the two centres
    double c1 = NOT_REACHED, c2 = NOT_REACHED, c3 = NOT_REACHED, c4 = NOT_REACHED;
    // At maximum: the fraction of the Sun's diameter covered (the ratio of
    // the diameters where annular or total) and of its disc's area.
    double magnitude = 0.0;
    double obscuration = 0.0;
    // The Sun's altitude (degrees, geometric, no refraction) at C1, C2,
    // maximum, C3, C4.
    double altitude_c1_deg = NOT_REACHED, altitude_c2_deg = NOT_REACHED, altitude_maximum_deg = NOT_REACHED;
    double altitude_c3_deg = NOT_REACHED, altitude_c4_deg = NOT_REACHED;
    // Whether the Sun is up at some moment from C1 to C4: its centre's
    // geometric altitude (no refraction) above the search's horizon altitude,
    // by default −50′ (the upper limb on a sea horizon with standard
    // refraction, 34′, and the Sun's semi-diameter, 16′), at C1, C2, maximum,
    // C3, C4 or one of the twelve equal steps from C1 to C4.
    bool visible = false;
};

// The topocentric separation of the centres and the two semi-diameters
// (radians) at a TT day.
struct LocalDiscs {
    double separation_rad = 0.0;
    double moon_radius_rad = 0.0;
    double sun_radius_rad = 0.0;
};

std::expected<LocalDiscs, OrvaneError> local_discs(const SpkOrvane& engine, const GeodeticObserver& observer,
                                                   double tt_julian_day);

// The fraction of the Sun's disc (radius sun) covered by the Moon's (radius
// moon) at the separation: the area of the two circles' lens over the Sun's.
double obscured_fraction(double separation, double moon, double sun);

// Every eclipse the place sees partly at least (visible or not), whose
// maximum falls in [start, end], in order, `visible` judged against the
// horizon altitude (degrees, geometric, of the Sun's centre). Needs the
// time kernels.
std::expected<std::vector<LocalSolarEclipse>, OrvaneError> find_local_solar_eclipses(
    const SpkOrvane& engine, const GeodeticObserver& observer, double start, double end,
    double horizon_altitude_deg = SUN_UPPER_LIMB_ALTITUDE_DEG);

}  // namespace orvane
