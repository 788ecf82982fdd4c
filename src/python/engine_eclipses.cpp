// Engine.lunar_eclipses, Engine.solar_eclipses, Engine.local_solar_eclipses:
// every eclipse in a range, as tuples of TT Julian days and numbers.
#include <cmath>
#include <string>
#include <string_view>

#include "python/bound_method.hpp"
#include "python/convert.hpp"
#include "python/name_tables.hpp"
#include "python/engine_methods.hpp"
#include "engine/eclipses/local_solar_eclipses.hpp"
#include "engine/eclipses/lunar_eclipses.hpp"
#include "engine/eclipses/solar_eclipses.hpp"
#include "engine/instant_conversion.hpp"

namespace orvane::python {
namespace {

// A contact (or a value at it) as a float, or None when the eclipse does not reach it.
PyObject* optional_day(double day) {
    if (std::isnan(day)) Py_RETURN_NONE;
    return PyFloat_FromDouble(day);
}

// The range's two instants as TT Julian days.
std::expected<std::pair<double, double>, OrvaneError> tt_range(const SpkOrvane& engine, const Instant& start,
                                                               const Instant& end) {
    auto from = instant_as_tt(engine, start.time_scale, start.julian_day);
    if (!from) return std::unexpected(from.error());
    auto to = instant_as_tt(engine, end.time_scale, end.julian_day);
    if (!to) return std::unexpected(to.error());
    return std::pair{*from, *to};
}

std::expected<std::vector<LunarEclipse>, OrvaneError> lunar_eclipses(const SpkOrvane& engine, Instant start,
                                                                     Instant end, ShadowRule rule) {
    auto range = tt_range(engine, start, end);
    if (!range) return std::unexpected(range.error());
    return find_lunar_eclipses(engine, range->first, range->second, rule);
}

std::expected<std::vector<SolarEclipse>, OrvaneError> solar_eclipses(const SpkOrvane& engine, Instant start,
                                                                     Instant end) {
    auto range = tt_range(engine, start, end);
    if (!range) return std::unexpected(range.error());
    return find_solar_eclipses(engine, range->first, range->second);
}

std::expected<std::vector<LocalSolarEclipse>, OrvaneError> local_solar_eclipses(const SpkOrvane& engine,
                                                                                GeodeticObserver observer,
                                                                                Instant start, Instant end,
                                                                                double horizon) {
    auto range = tt_range(engine, start, end);
    if (!range) return std::unexpected(range.error());
    return find_local_solar_eclipses(engine, observer, range->first, range->second, horizon);
}

constexpr Method LUNAR_ECLIPSES{
    "lunar_eclipses",
    {{{"start"}, {"end"}, {"shadow_rule", text_default("danjon")}}},
    AccessKind::Shared,
    Lock::Released,
    "Every lunar eclipse whose greatest eclipse falls between two instants, in order, as tuples\n"
    "(kind, greatest, p1, u1, u2, u3, u4, p4, umbral_magnitude, penumbral_magnitude, gamma):\n"
    "kind 'penumbral', 'partial' or 'total'; TT Julian days, None for a contact not reached;\n"
    "gamma in Earth radii. shadow_rule 'danjon' (1.01 x parallax) or 'chauvenet' (1/50)."};

constexpr Method SOLAR_ECLIPSES{
    "solar_eclipses",
    {{{"start"}, {"end"}}},
    AccessKind::Shared,
    Lock::Released,
    "Every solar eclipse whose greatest eclipse falls between two instants, in order, as tuples\n"
    "(kind, greatest, central, longitude_east_deg, latitude_deg, magnitude, gamma, path_width_km):\n"
    "kind 'partial', 'annular', 'total' or 'hybrid'; greatest a TT Julian day; the place of\n"
    "greatest eclipse; path_width_km 0 unless central. Needs both time kernels."};

constexpr Method LOCAL_SOLAR_ECLIPSES{
    "local_solar_eclipses",
    {{{"observer"}, {"start"}, {"end"}, {"horizon_altitude_deg", number_default(SUN_UPPER_LIMB_ALTITUDE_DEG, true)}}},
    AccessKind::Shared,
    Lock::Released,
    "Every solar eclipse a place sees (the Moon's disc over the Sun's, Sun up or not) whose\n"
    "maximum falls between two instants, in order, as tuples (kind, maximum, c1, c2, c3, c4,\n"
    "magnitude, obscuration, altitude_c1_deg, altitude_c2_deg, altitude_maximum_deg,\n"
    "altitude_c3_deg, altitude_c4_deg, visible): kind 'partial', 'annular' or 'total'; TT Julian\n"
    "days; None for a contact not reached; the Sun's geometric altitude at each; visible when the\n"
    "geometric altitude of the Sun's centre exceeds horizon_altitude_deg (default -50 arcmin: the\n"
    "upper limb on a sea horizon with standard refraction) at C1, C2, maximum, C3, C4 or one of\n"
    "twelve equal steps from C1 to C4. Needs both time kernels."};

}  // namespace

// The shadow rule by name: 'danjon' (the default) or 'chauvenet'.
template <>
struct Parameter<ShadowRule> : ReadOnce<ShadowRule> {
    static std::optional<ShadowRule> read(const Signature& s, std::size_t i, PyObject* value,
                                          const Default& fallback) {
        std::string_view text = fallback.text;
        if (!is_absent(value)) {
            auto given = str_argument(s, i, value);
            if (!given) return std::nullopt;
            text = *given;
        }
        return parsed_or_raise(parse_shadow_rule(text));
    }
};

template <>
struct Returned<LunarEclipse> {
    static PyObject* object(const LunarEclipse& e) {
        const std::string_view kind = row_name(LUNAR_ECLIPSE_KIND_ROWS, e.kind);
        return Py_BuildValue("(s#dNNNNNNddd)", kind.data(), static_cast<Py_ssize_t>(kind.size()), e.greatest,
                             optional_day(e.p1), optional_day(e.u1), optional_day(e.u2), optional_day(e.u3),
                             optional_day(e.u4), optional_day(e.p4), e.umbral_magnitude, e.penumbral_magnitude,
                             e.gamma);
    }
};

template <>
struct Returned<SolarEclipse> {
    static PyObject* object(const SolarEclipse& e) {
        const std::string_view kind = row_name(SOLAR_ECLIPSE_KIND_ROWS, e.kind);
        return Py_BuildValue("(s#dNddddd)", kind.data(), static_cast<Py_ssize_t>(kind.size()), e.greatest,
                             PyBool_FromLong(e.central), e.place.longitude_east_deg, e.place.latitude_deg,
                             e.magnitude, e.gamma, e.path_width_km);
    }
};

template <>
struct Returned<LocalSolarEclipse> {
    static PyObject* object(const LocalSolarEclipse& e) {
        const std::string_view kind = row_name(LOCAL_ECLIPSE_KIND_ROWS, e.kind);
        return Py_BuildValue("(s#dNNNNddNNNNNN)", kind.data(), static_cast<Py_ssize_t>(kind.size()), e.maximum,
                             optional_day(e.c1), optional_day(e.c2), optional_day(e.c3), optional_day(e.c4),
                             e.magnitude, e.obscuration, optional_day(e.altitude_c1_deg),
                             optional_day(e.altitude_c2_deg), optional_day(e.altitude_maximum_deg),
                             optional_day(e.altitude_c3_deg), optional_day(e.altitude_c4_deg),
                             PyBool_FromLong(e.visible));
    }
};

PyMethodDef engine_lunar_eclipses() { return bind<lunar_eclipses, LUNAR_ECLIPSES, Instant, Instant, ShadowRule>(); }

PyMethodDef engine_solar_eclipses() { return bind<solar_eclipses, SOLAR_ECLIPSES, Instant, Instant>(); }

PyMethodDef engine_local_solar_eclipses() {
    return bind<local_solar_eclipses, LOCAL_SOLAR_ECLIPSES, GeodeticObserver, Instant, Instant, double>();
}

}  // namespace orvane::python
