// Engine.lunar_eclipses, Engine.solar_eclipses, Engine.local_solar_eclipses:
// every eclipse in a range, as tuples of TT Julian days and numbers.
#include <cmath>
#include <string_view>

#include "python/arguments.hpp"
#include "python/engine_methods.hpp"
#include "python/engine_object.hpp"
#include "python/interpreter_lock.hpp"
#include "python/python_errors.hpp"
#include "python/py_ref.hpp"
#include "python/vocabulary.hpp"
#include "engine/eclipses/local_solar_eclipses.hpp"
#include "engine/eclipses/lunar_eclipses.hpp"
#include "engine/eclipses/solar_eclipses.hpp"
#include "engine/instant_conversion.hpp"

namespace orvane::python {
namespace {

const Signature LUNAR_ECLIPSES_SIGNATURE{"lunar_eclipses", {"start", "end", "shadow_rule"}, 2};
const Signature SOLAR_ECLIPSES_SIGNATURE{"solar_eclipses", {"start", "end"}, 2};
const Signature LOCAL_SOLAR_ECLIPSES_SIGNATURE{
    "local_solar_eclipses", {"observer", "start", "end", "horizon_altitude_deg"}, 3};

// A contact (or a value at it) as a float, or None when the eclipse does not reach it.
PyObject* optional_day(double day) {
    if (std::isnan(day)) Py_RETURN_NONE;
    return PyFloat_FromDouble(day);
}

std::string_view lunar_kind_name(LunarEclipseKind kind) {
    switch (kind) {
        case LunarEclipseKind::Penumbral: return "penumbral";
        case LunarEclipseKind::Partial: return "partial";
        case LunarEclipseKind::Total: return "total";
    }
    return "penumbral";
}

std::string_view solar_kind_name(SolarEclipseKind kind) {
    switch (kind) {
        case SolarEclipseKind::Partial: return "partial";
        case SolarEclipseKind::Annular: return "annular";
        case SolarEclipseKind::Total: return "total";
        case SolarEclipseKind::Hybrid: return "hybrid";
    }
    return "partial";
}

std::string_view local_kind_name(LocalEclipseKind kind) {
    switch (kind) {
        case LocalEclipseKind::Partial: return "partial";
        case LocalEclipseKind::Annular: return "annular";
        case LocalEclipseKind::Total: return "total";
    }
    return "partial";
}

// The range's two instants as TT Julian days; null with the error set.
std::optional<std::pair<double, double>> tt_range(const SpkOrvane& engine, const Instant& start, const Instant& end) {
    auto from = instant_as_tt(engine, start.time_scale, start.julian_day);
    if (!from) return map_orvane_error(from.error()), std::nullopt;
    auto to = instant_as_tt(engine, end.time_scale, end.julian_day);
    if (!to) return map_orvane_error(to.error()), std::nullopt;
    return std::pair{*from, *to};
}

// A list of the records, each made by `item` (null on failure).
template <class Record, class Item>
PyObject* record_list(const std::vector<Record>& records, Item&& item) {
    PyRef list(PyList_New(static_cast<Py_ssize_t>(records.size())));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < records.size(); ++i) {
        PyObject* value = item(records[i]);
        if (value == nullptr) return nullptr;
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), value);
    }
    return list.release();
}

}  // namespace

PyObject* engine_lunar_eclipses(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[3];
    if (!match_arguments(LUNAR_ECLIPSES_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto start = instant_argument(LUNAR_ECLIPSES_SIGNATURE, 0, a[0]);
    if (!start) return nullptr;
    auto end = instant_argument(LUNAR_ECLIPSES_SIGNATURE, 1, a[1]);
    if (!end) return nullptr;
    ShadowRule rule = ShadowRule::Danjon;
    if (!is_absent(a[2])) {
        auto text = str_argument(LUNAR_ECLIPSES_SIGNATURE, 2, a[2]);
        if (!text) return nullptr;
        if (*text == "chauvenet") {
            rule = ShadowRule::Chauvenet;
        } else if (*text != "danjon") {
            PyErr_Format(PyExc_ValueError, "unknown shadow rule: '%.*s' (expected 'danjon' or 'chauvenet')",
                         static_cast<int>(text->size()), text->data());
            return nullptr;
        }
    }
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto range = tt_range(*engine, *start, *end);
    if (!range) return nullptr;
    auto found =
        without_interpreter_lock([&] { return find_lunar_eclipses(*engine, range->first, range->second, rule); });
    if (!found) return map_orvane_error(found.error());
    return record_list(*found, [](const LunarEclipse& e) -> PyObject* {
        const std::string_view kind = lunar_kind_name(e.kind);
        return Py_BuildValue("(s#dNNNNNNddd)", kind.data(), static_cast<Py_ssize_t>(kind.size()), e.greatest,
                             optional_day(e.p1), optional_day(e.u1), optional_day(e.u2), optional_day(e.u3),
                             optional_day(e.u4), optional_day(e.p4), e.umbral_magnitude, e.penumbral_magnitude,
                             e.gamma);
    });
}

PyObject* engine_solar_eclipses(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[2];
    if (!match_arguments(SOLAR_ECLIPSES_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto start = instant_argument(SOLAR_ECLIPSES_SIGNATURE, 0, a[0]);
    if (!start) return nullptr;
    auto end = instant_argument(SOLAR_ECLIPSES_SIGNATURE, 1, a[1]);
    if (!end) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto range = tt_range(*engine, *start, *end);
    if (!range) return nullptr;
    auto found = without_interpreter_lock([&] { return find_solar_eclipses(*engine, range->first, range->second); });
    if (!found) return map_orvane_error(found.error());
    return record_list(*found, [](const SolarEclipse& e) -> PyObject* {
        const std::string_view kind = solar_kind_name(e.kind);
        return Py_BuildValue("(s#dNddddd)", kind.data(), static_cast<Py_ssize_t>(kind.size()), e.greatest,
                             PyBool_FromLong(e.central), e.place.longitude_east_deg, e.place.latitude_deg,
                             e.magnitude, e.gamma, e.path_width_km);
    });
}

PyObject* engine_local_solar_eclipses(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[4];
    if (!match_arguments(LOCAL_SOLAR_ECLIPSES_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto observer = observer_argument(LOCAL_SOLAR_ECLIPSES_SIGNATURE, 0, a[0]);
    if (!observer) return nullptr;
    auto start = instant_argument(LOCAL_SOLAR_ECLIPSES_SIGNATURE, 1, a[1]);
    if (!start) return nullptr;
    auto end = instant_argument(LOCAL_SOLAR_ECLIPSES_SIGNATURE, 2, a[2]);
    if (!end) return nullptr;
    double horizon = SUN_UPPER_LIMB_ALTITUDE_DEG;
    if (!is_absent(a[3])) {
        auto given = float_argument(LOCAL_SOLAR_ECLIPSES_SIGNATURE, 3, a[3]);
        if (!given) return nullptr;
        horizon = *given;
    }
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto range = tt_range(*engine, *start, *end);
    if (!range) return nullptr;
    auto found = without_interpreter_lock(
        [&] { return find_local_solar_eclipses(*engine, *observer, range->first, range->second, horizon); });
    if (!found) return map_orvane_error(found.error());
    return record_list(*found, [](const LocalSolarEclipse& e) -> PyObject* {
        const std::string_view kind = local_kind_name(e.kind);
        return Py_BuildValue("(s#dNNNNddNNNNNN)", kind.data(), static_cast<Py_ssize_t>(kind.size()), e.maximum,
                             optional_day(e.c1), optional_day(e.c2), optional_day(e.c3), optional_day(e.c4),
                             e.magnitude, e.obscuration, optional_day(e.altitude_c1_deg),
                             optional_day(e.altitude_c2_deg), optional_day(e.altitude_maximum_deg),
                             optional_day(e.altitude_c3_deg), optional_day(e.altitude_c4_deg),
                             PyBool_FromLong(e.visible));
    });
}

}  // namespace orvane::python
