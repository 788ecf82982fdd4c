// Engine.events: every occurrence of a lunar or planetary event in a range.
#include <cmath>

#include "python/arguments.hpp"
#include "python/convert.hpp"
#include "python/engine_methods.hpp"
#include "python/engine_object.hpp"
#include "python/model_argument.hpp"
#include "python/python_errors.hpp"
#include "python/py_ref.hpp"
#include "python/vocabulary.hpp"
#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "core/frames/nutation.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/search/event_table.hpp"

namespace orvane::python {
namespace {

const Signature EVENTS_SIGNATURE{"events",
                                 {"kind", "start", "end", "body", "other", "angle_deg", "sidereal", "model"}, 3};
const Signature SIDEREAL_TIME_SIGNATURE{"sidereal_time", {"instant", "longitude_east_deg", "apparent", "model"}, 1};

// An optional body argument as its NAIF code, or the default when absent or None.
std::optional<std::int32_t> optional_body(std::size_t index, PyObject* value, std::int32_t fallback) {
    if (value == nullptr || value == Py_None) return fallback;
    auto name = body_argument(EVENTS_SIGNATURE, index, value);
    if (!name) return std::nullopt;
    auto id = parsed_or_raise(parse_body_argument(*name));
    if (!id) return std::nullopt;
    return *id;
}

}  // namespace

PyObject* engine_events(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[8];
    if (!match_arguments(EVENTS_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto kind = str_argument(EVENTS_SIGNATURE, 0, a[0]);
    if (!kind) return nullptr;
    auto start = instant_argument(EVENTS_SIGNATURE, 1, a[1]);
    if (!start) return nullptr;
    auto end = instant_argument(EVENTS_SIGNATURE, 2, a[2]);
    if (!end) return nullptr;
    auto body = optional_body(3, a[3], 301);
    if (!body) return nullptr;
    auto other = optional_body(4, a[4], 10);
    if (!other) return nullptr;
    double angle = 0.0;
    if (a[5] != nullptr && a[5] != Py_None) {
        auto given = float_argument(EVENTS_SIGNATURE, 5, a[5]);
        if (!given) return nullptr;
        angle = *given;
    }
    std::optional<SiderealMode> sidereal;
    if (a[6] != nullptr && a[6] != Py_None) {
        sidereal = parse_named(a[6], parse_sidereal_mode);
        if (!sidereal) return nullptr;
    }
    auto model = model_argument(EVENTS_SIGNATURE, 7, a[7]);
    if (!model) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto from = instant_as_tt(*engine, start->time_scale, start->julian_day);
    if (!from) return map_orvane_error(from.error());
    auto to = instant_as_tt(*engine, end->time_scale, end->julian_day);
    if (!to) return map_orvane_error(to.error());
    auto found = find_events(*engine, EventRequest{*kind, *body, *other, angle, sidereal, *model}, *from, *to);
    if (!found) return map_orvane_error(found.error());
    PyRef list(PyList_New(static_cast<Py_ssize_t>(found->size())));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < found->size(); ++i) {
        const FoundEvent& event = (*found)[i];
        PyObject* item = Py_BuildValue("(ds#)", event.tt_julian_day, event.name.data(),
                                       static_cast<Py_ssize_t>(event.name.size()));
        if (item == nullptr) return nullptr;
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
    }
    return list.release();
}

// Sidereal time at an instant, degrees: Greenwich (or local, east longitude
// added) mean (IAU 2006) or apparent (plus the equation of the equinoxes of
// the IAU 2000B nutation, or the 2006/2000A in the full model), from the
// instant's UT1 and TT.
PyObject* engine_sidereal_time(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[4];
    if (!match_arguments(SIDEREAL_TIME_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto instant = instant_argument(SIDEREAL_TIME_SIGNATURE, 0, a[0]);
    if (!instant) return nullptr;
    double longitude = 0.0;
    if (a[1] != nullptr) {
        auto given = float_argument(SIDEREAL_TIME_SIGNATURE, 1, a[1]);
        if (!given) return nullptr;
        longitude = *given;
    }
    bool apparent = true;
    if (a[2] != nullptr) {
        const int truth = PyObject_IsTrue(a[2]);
        if (truth < 0) return nullptr;
        apparent = truth != 0;
    }
    auto model = model_argument(SIDEREAL_TIME_SIGNATURE, 3, a[3]);
    if (!model) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto epochs = earth_rotation_epochs(*engine, instant->time_scale, instant->julian_day);
    if (!epochs) return map_orvane_error(epochs.error());
    const double tt = epochs->tt_julian_day;
    const double gst =
        apparent ? greenwich_apparent_sidereal_time_iau2006(
                       epochs->ut1_julian_day, tt,
                       *model == AstrometryModel::Full ? nutation_iau2006a(tt) : nutation_iau2000b(tt))
                 : greenwich_mean_sidereal_time_iau2006(epochs->ut1_julian_day, tt);
    double degrees = std::fmod(gst * RAD_TO_DEG + longitude, 360.0);
    if (degrees < 0.0) degrees += 360.0;
    return PyFloat_FromDouble(degrees);
}

}  // namespace orvane::python
