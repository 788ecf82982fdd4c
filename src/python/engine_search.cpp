// Engine.events: every occurrence of a lunar or planetary event in a range;
// Engine.horizon_events: every rise, set and transit of a body at a place.
#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "python/arguments.hpp"
#include "python/convert.hpp"
#include "python/engine_methods.hpp"
#include "python/engine_object.hpp"
#include "python/horizon_event_list.hpp"
#include "python/interpreter_lock.hpp"
#include "python/model_argument.hpp"
#include "python/python_errors.hpp"
#include "python/py_ref.hpp"
#include "python/vocabulary.hpp"
#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "core/frames/cio_sidereal_time.hpp"
#include "core/frames/nutation.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/search/event_table.hpp"
#include "engine/search/horizon_search.hpp"

namespace orvane::python {
namespace {

const Signature EVENTS_SIGNATURE{"events",
                                 {"kind", "start", "end", "body", "other", "angle_deg", "sidereal", "model"}, 3};
const Signature HORIZON_EVENTS_SIGNATURE{"horizon_events", {"body", "observer", "start", "end", "altitude_deg"}, 4};
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

// Days of one stretch of an event search, computed without the interpreter
// lock (tens of milliseconds at most); pending signals are handled between
// stretches. Each stretch is searched a margin into its neighbours (longer
// than any sampling step) so that a turn or a crossing at a seam is seen
// whole; each event is kept by the stretch it falls in, a second of slack
// on either side of a seam, the same event found by both kept once.
constexpr double EVENT_STRETCH_DAYS = 3660.0;
constexpr double EVENT_STRETCH_MARGIN_DAYS = 10.0;
constexpr double EVENT_SEAM_DAYS = 1.0 / 86400.0;

template <class Search>
std::optional<std::vector<FoundEvent>> events_in_stretches(double start, double end, Search&& search) {
    std::vector<FoundEvent> events;
    if (!(end - start > EVENT_STRETCH_DAYS) || !std::isfinite(end - start)) {
        auto found = search(start, end);
        if (!found) {
            map_orvane_error(found.error());
            return std::nullopt;
        }
        return std::move(*found);
    }
    double from = start;
    while (true) {
        const double to = std::min(end, from + EVENT_STRETCH_DAYS);
        const double low = from == start ? start : from - EVENT_STRETCH_MARGIN_DAYS;
        const double high = to == end ? end : to + EVENT_STRETCH_MARGIN_DAYS;
        auto found = search(low, high);
        if (!found) {
            map_orvane_error(found.error());
            return std::nullopt;
        }
        // The events of the stretch before that lie within the seam's slack.
        const std::size_t before_seam = events.size();
        std::size_t near_seam = before_seam;
        while (near_seam > 0 && events[near_seam - 1].tt_julian_day >= from - 2.0 * EVENT_SEAM_DAYS) --near_seam;
        for (const FoundEvent& event : *found) {
            if ((from != start && event.tt_julian_day < from - EVENT_SEAM_DAYS) ||
                (to != end && event.tt_julian_day >= to + EVENT_SEAM_DAYS)) {
                continue;
            }
            const bool seen = std::any_of(events.begin() + static_cast<std::ptrdiff_t>(near_seam),
                                          events.begin() + static_cast<std::ptrdiff_t>(before_seam),
                                          [&](const FoundEvent& kept) {
                                              return kept.name == event.name &&
                                                     std::fabs(kept.tt_julian_day - event.tt_julian_day) <
                                                         EVENT_SEAM_DAYS;
                                          });
            if (!seen) events.push_back(event);
        }
        if (to >= end) break;
        if (PyErr_CheckSignals() < 0) return std::nullopt;
        from = to;
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const FoundEvent& a, const FoundEvent& b) { return a.tt_julian_day < b.tt_julian_day; });
    return events;
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
    const EventRequest request{*kind, *body, *other, angle, sidereal, *model};
    auto found = events_in_stretches(*from, *to, [&](double first, double last) {
        return without_interpreter_lock([&] { return find_events(*engine, request, first, last); });
    });
    if (!found) return nullptr;
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

namespace {

// The UT1 Julian days of the two ends of a range, or None with the error raised.
std::optional<std::pair<double, double>> ut1_range(const SpkOrvane& engine, const Instant& start, const Instant& end) {
    auto from = earth_rotation_epochs(engine, start.time_scale, start.julian_day);
    if (!from) {
        map_orvane_error(from.error());
        return std::nullopt;
    }
    auto to = earth_rotation_epochs(engine, end.time_scale, end.julian_day);
    if (!to) {
        map_orvane_error(to.error());
        return std::nullopt;
    }
    return std::pair{from->ut1_julian_day, to->ut1_julian_day};
}

// The altitude argument at `index`: the refracted horizon when absent or None.
std::optional<double> horizon_altitude(const Signature& signature, std::size_t index, PyObject* value) {
    if (value == nullptr || value == Py_None) return MEAN_REFRACTION_ALTITUDE_DEG;
    return float_argument(signature, index, value);
}

}  // namespace

PyObject* engine_horizon_events(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[5];
    if (!match_arguments(HORIZON_EVENTS_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto name = body_argument(HORIZON_EVENTS_SIGNATURE, 0, a[0]);
    if (!name) return nullptr;
    auto observer = observer_argument(HORIZON_EVENTS_SIGNATURE, 1, a[1]);
    if (!observer) return nullptr;
    auto start = instant_argument(HORIZON_EVENTS_SIGNATURE, 2, a[2]);
    if (!start) return nullptr;
    auto end = instant_argument(HORIZON_EVENTS_SIGNATURE, 3, a[3]);
    if (!end) return nullptr;
    auto altitude = horizon_altitude(HORIZON_EVENTS_SIGNATURE, 4, a[4]);
    if (!altitude) return nullptr;
    auto body = parsed_or_raise(parse_body_argument(*name));
    if (!body) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto range = ut1_range(*engine, *start, *end);
    if (!range) return nullptr;
    return horizon_event_list(range->first, range->second, [&](double from, double to) {
        return horizon_events_between(*engine, *body, *observer, from, to, *altitude);
    });
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
        !apparent ? greenwich_mean_sidereal_time_iau2006(epochs->ut1_julian_day, tt)
        : *model == AstrometryModel::Full
            ? greenwich_apparent_sidereal_time_iau2006a(epochs->ut1_julian_day, tt, nutation_iau2006a(tt))
            : greenwich_apparent_sidereal_time_iau2006(epochs->ut1_julian_day, tt, nutation_iau2000b(tt));
    double degrees = std::fmod(gst * RAD_TO_DEG + longitude, 360.0);
    if (degrees < 0.0) degrees += 360.0;
    return PyFloat_FromDouble(degrees);
}

}  // namespace orvane::python
