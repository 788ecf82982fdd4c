// Engine.events: every occurrence of a lunar or planetary event in a range;
// Engine.horizon_events: every rise, set and transit of a body at a place.
#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "python/bound_method.hpp"
#include "python/engine_methods.hpp"
#include "python/horizon_event_list.hpp"
#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "core/frames/cio_sidereal_time.hpp"
#include "core/frames/nutation.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/search/event_table.hpp"
#include "engine/search/horizon_search.hpp"

namespace orvane::python {
namespace {

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

// Every event of a kind between two instants, searched a stretch at a time
// without the interpreter lock.
PyObject* events(const SpkOrvane& engine, std::string_view kind, Instant start, Instant end,
                 std::optional<std::int32_t> body, std::optional<std::int32_t> other, std::optional<double> angle,
                 std::optional<SiderealMode> sidereal, AstrometryModel model) {
    auto from = instant_as_tt(engine, start.time_scale, start.julian_day);
    if (!from) return map_orvane_error(from.error());
    auto to = instant_as_tt(engine, end.time_scale, end.julian_day);
    if (!to) return map_orvane_error(to.error());
    const EventRequest defaults{};  // the Moon, to the Sun, at 0 degrees
    const EventRequest request{kind,      body.value_or(defaults.body), other.value_or(defaults.other),
                               angle.value_or(defaults.angle_deg), sidereal, model};
    auto found = events_in_stretches(*from, *to, [&](double first, double last) {
        return without_interpreter_lock([&] { return find_events(engine, request, first, last); });
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

PyObject* horizon_events(const SpkOrvane& engine, std::int32_t body, GeodeticObserver observer, Instant start,
                         Instant end, std::optional<double> altitude) {
    auto range = ut1_range(engine, start, end);
    if (!range) return nullptr;
    const double altitude_deg = altitude.value_or(MEAN_REFRACTION_ALTITUDE_DEG);
    return horizon_event_list(range->first, range->second, [&](double from, double to) {
        return horizon_events_between(engine, body, observer, from, to, altitude_deg);
    });
}

// Sidereal time at an instant, degrees: Greenwich (or local, east longitude
// added) mean (IAU 2006) or apparent (plus the equation of the equinoxes of
// the IAU 2000B nutation; in the full model the Earth rotation angle less the
// equation of the origins, as ERFA gst06a), from the instant's UT1 and TT.
std::expected<double, OrvaneError> sidereal_time(const SpkOrvane& engine, Instant instant, double longitude,
                                                 bool apparent, AstrometryModel model) {
    auto epochs = earth_rotation_epochs(engine, instant.time_scale, instant.julian_day);
    if (!epochs) return std::unexpected(epochs.error());
    const double tt = epochs->tt_julian_day;
    const double gst =
        !apparent ? greenwich_mean_sidereal_time_iau2006(epochs->ut1_julian_day, tt)
        : model == AstrometryModel::Full
            ? greenwich_apparent_sidereal_time_iau2006a(epochs->ut1_julian_day, tt, nutation_iau2006a(tt))
            : greenwich_apparent_sidereal_time_iau2006(epochs->ut1_julian_day, tt, nutation_iau2000b(tt));
    double degrees = std::fmod(gst * RAD_TO_DEG + longitude, 360.0);
    if (degrees < 0.0) degrees += 360.0;
    return degrees;
}

constexpr Method EVENTS{
    "events",
    {{{"kind"},
      {"start"},
      {"end"},
      {"body", none_default()},
      {"other", none_default()},
      {"angle_deg", none_default()},
      {"sidereal", none_default()},
      {"model", text_default("standard")}}},
    AccessKind::Shared,
    Lock::Held,  // released stretch by stretch
    "Every occurrence of an event between two instants, in order, as (TT Julian day, name) pairs.\n"
    "Kinds: moon_quarters, longitude (body reaching angle_deg), aspect (body to other at angle_deg),\n"
    "ingress, station, sun_conjunction, greatest_elongation, lunar_apsis, lunar_node,\n"
    "lunar_declination. The body defaults to the Moon, the other body to the Sun; with a sidereal\n"
    "mode, longitudes and ingresses are in that sidereal zodiac. model=\"full\" searches the places\n"
    "of the full IAU 2006/2000A astrometric model."};

constexpr Method HORIZON_EVENTS{
    "horizon_events",
    {{{"body"}, {"observer"}, {"start"}, {"end"}, {"altitude_deg", none_default()}}},
    AccessKind::Shared,
    Lock::Held,  // released stretch by stretch
    "Every rise, set, transit and lower_transit of a body at a place between two instants, in\n"
    "order, as (UT1 Julian day, name) pairs; the centre crosses altitude_deg (default -34', the\n"
    "refracted horizon)."};

constexpr Method SIDEREAL_TIME{
    "sidereal_time",
    {{{"instant"},
      {"longitude_east_deg", number_default(0.0)},
      {"apparent", boolean_default(true)},
      {"model", text_default("standard")}}},
    AccessKind::Shared,
    Lock::Held,
    "Greenwich (or local) apparent or mean sidereal time in degrees (IAU 2006/2000B;\n"
    "IAU 2006/2000A with model=\"full\")."};

}  // namespace

PyMethodDef engine_events() {
    return bind<events, EVENTS, std::string_view, Instant, Instant, std::optional<BodyCode>, std::optional<BodyCode>,
                std::optional<double>, std::optional<SiderealMode>, AstrometryModel>();
}

PyMethodDef engine_horizon_events() {
    return bind<horizon_events, HORIZON_EVENTS, Late<BodyCode>, GeodeticObserver, Instant, Instant,
                std::optional<double>>();
}

PyMethodDef engine_sidereal_time() {
    return bind<sidereal_time, SIDEREAL_TIME, Instant, double, Truth, AstrometryModel>();
}

}  // namespace orvane::python
