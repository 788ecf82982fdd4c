#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "core/body.hpp"
#include "core/position_options.hpp"
#include "core/selectors.hpp"
#include "core/time_scale.hpp"
#include "engine/eclipses/local_solar_eclipses.hpp"
#include "engine/eclipses/lunar_eclipses.hpp"
#include "engine/eclipses/solar_eclipses.hpp"

// The names a request may use for bodies, time scales, origins, frames,
// horizon events and eclipse shadow rules, and the names of eclipse kinds: one table each, one row per value. A row's name is the
// canonical one (lower case, words joined by "_"); any spelling differing in
// case, or in "-", "_", " " or nothing between the words, names the same
// value. The parsers, the Python class methods and the module's name tuples
// all read these tables.
namespace orvane::python {

template <class T>
struct NameRow {
    T value;
    std::string_view name;
};

inline constexpr std::array<NameRow<Body>, BODY_COUNT> BODY_ROWS{{
    {Body::Sun, "sun"}, {Body::Moon, "moon"}, {Body::Mercury, "mercury"}, {Body::Venus, "venus"},
    {Body::Earth, "earth"}, {Body::Mars, "mars"}, {Body::Jupiter, "jupiter"}, {Body::Saturn, "saturn"},
    {Body::Uranus, "uranus"}, {Body::Neptune, "neptune"}, {Body::Pluto, "pluto"},
}};

// Bodies known by NAIF id alone: the sixteen most massive asteroids (JPL's
// small-body kernel sb441-n16) and the centaurs Chiron and Pholus. The
// asteroid Europa goes by its number, "europa" alone being Jupiter's moon in
// NAIF's naming.
inline constexpr std::array<NameRow<std::int32_t>, 18> SMALL_BODY_ROWS{{
    {2000001, "ceres"}, {2000002, "pallas"}, {2000003, "juno"}, {2000004, "vesta"}, {2000007, "iris"},
    {2000010, "hygiea"}, {2000015, "eunomia"}, {2000016, "psyche"}, {2000031, "euphrosyne"},
    {2000052, "52_europa"}, {2000065, "cybele"}, {2000087, "sylvia"}, {2000088, "thisbe"},
    {2000107, "camilla"}, {2000511, "davida"}, {2000704, "interamnia"}, {2002060, "chiron"},
    {2005145, "pholus"},
}};

inline constexpr std::array<NameRow<TimeScale>, 4> TIME_SCALE_ROWS{{
    {TimeScale::Utc, "utc"}, {TimeScale::Ut1, "ut1"}, {TimeScale::Tt, "tt"}, {TimeScale::Tdb, "tdb"},
}};

inline constexpr std::array<NameRow<OriginKind>, 4> ORIGIN_ROWS{{
    {OriginKind::Barycentric, "barycentric"}, {OriginKind::Heliocentric, "heliocentric"},
    {OriginKind::Geocentric, "geocentric"}, {OriginKind::Topocentric, "topocentric"},
}};

inline constexpr std::array<NameRow<ReferenceEpoch>, 2> REFERENCE_EPOCH_ROWS{{
    {ReferenceEpoch::J2000, "j2000"}, {ReferenceEpoch::OfDate, "of_date"},
}};

inline constexpr std::array<NameRow<CoordinateSystem>, 2> COORDINATE_SYSTEM_ROWS{{
    {CoordinateSystem::Ecliptic, "ecliptic"}, {CoordinateSystem::Equatorial, "equatorial"},
}};

inline constexpr std::array<NameRow<HorizonEventKind>, 3> HORIZON_EVENT_KIND_ROWS{{
    {HorizonEventKind::Rise, "rise"}, {HorizonEventKind::Set, "set"}, {HorizonEventKind::Transit, "transit"},
}};

inline constexpr std::array<NameRow<ShadowRule>, 2> SHADOW_RULE_ROWS{{
    {ShadowRule::Danjon, "danjon"}, {ShadowRule::Chauvenet, "chauvenet"},
}};

inline constexpr std::array<NameRow<LunarEclipseKind>, 3> LUNAR_ECLIPSE_KIND_ROWS{{
    {LunarEclipseKind::Penumbral, "penumbral"}, {LunarEclipseKind::Partial, "partial"},
    {LunarEclipseKind::Total, "total"},
}};

inline constexpr std::array<NameRow<SolarEclipseKind>, 4> SOLAR_ECLIPSE_KIND_ROWS{{
    {SolarEclipseKind::Partial, "partial"}, {SolarEclipseKind::Annular, "annular"},
    {SolarEclipseKind::Total, "total"}, {SolarEclipseKind::Hybrid, "hybrid"},
}};

inline constexpr std::array<NameRow<LocalEclipseKind>, 3> LOCAL_ECLIPSE_KIND_ROWS{{
    {LocalEclipseKind::Partial, "partial"}, {LocalEclipseKind::Annular, "annular"},
    {LocalEclipseKind::Total, "total"},
}};

// The name of a value in its table (the first row's for a value no row holds).
template <class T, std::size_t N>
constexpr std::string_view row_name(const std::array<NameRow<T>, N>& rows, T value) {
    for (const auto& row : rows) {
        if (row.value == value) return row.name;
    }
    return rows[0].name;
}

}  // namespace orvane::python
