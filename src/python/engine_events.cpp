// Engine.next_season_event, next_lunation, rise_set_transit and
// next_horizon_event, with the result classes RiseSetTransit and HorizonEvent.
#include "core/text/text_forms.hpp"
#include "python/bound_method.hpp"
#include "python/engine_methods.hpp"
#include "engine/horizon_events.hpp"
#include "engine/seasons_lunations.hpp"

namespace orvane::python {
namespace {

double season_target_deg(SeasonEvent event) { return angle_event_row(event).target_deg; }
double lunation_target_deg(LunationEvent event) { return angle_event_row(event).target_deg; }

PyObject* rise_set_transit_repr(PyObject* self) {
    const RiseSetTransit& r = unbox<RiseSetTransit>(self);
    return str_object("RiseSetTransit(transit_ut1_julian_day=" + plain_float(r.transit_ut1_julian_day) +
                      ", rise_ut1_julian_day=" + optional_debug_float(r.rise_ut1_julian_day) +
                      ", set_ut1_julian_day=" + optional_debug_float(r.set_ut1_julian_day) + ")");
}

PyObject* optional_float(const std::optional<double>& value) {
    if (!value) Py_RETURN_NONE;
    return PyFloat_FromDouble(*value);
}
PyObject* rise_of(PyObject* self, void*) { return optional_float(unbox<RiseSetTransit>(self).rise_ut1_julian_day); }
PyObject* set_of(PyObject* self, void*) { return optional_float(unbox<RiseSetTransit>(self).set_ut1_julian_day); }

PyGetSetDef RISE_SET_TRANSIT_PROPERTIES[] = {
    {"transit_ut1_julian_day", float_property<RiseSetTransit, &RiseSetTransit::transit_ut1_julian_day>, nullptr,
     nullptr, nullptr},
    {"rise_ut1_julian_day", rise_of, nullptr, nullptr, nullptr},
    {"set_ut1_julian_day", set_of, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyObject* horizon_event_kind_of(PyObject* self, void*) { return new_horizon_event_kind(unbox<HorizonEvent>(self).kind); }

PyGetSetDef HORIZON_EVENT_PROPERTIES[] = {
    {"kind", horizon_event_kind_of, nullptr, nullptr, nullptr},
    {"ut1_julian_day", float_property<HorizonEvent, &HorizonEvent::ut1_julian_day>, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyObject* horizon_event_repr(PyObject* self) {
    const HorizonEvent& event = unbox<HorizonEvent>(self);
    return str_object("HorizonEvent(kind=" + quoted(canonical_name(event.kind)) +
                      ", ut1_julian_day=" + plain_float(event.ut1_julian_day) + ")");
}

std::expected<Instant, OrvaneError> next_season_event(const SpkOrvane& engine, Instant after, SeasonEvent event,
                                                       AstrometryModel model) {
    return next_sun_longitude(engine, after, season_target_deg(event), model);
}

std::expected<Instant, OrvaneError> next_lunation(const SpkOrvane& engine, Instant after, LunationEvent event,
                                                  AstrometryModel model) {
    return next_sun_moon_elongation(engine, after, lunation_target_deg(event), model);
}

std::expected<RiseSetTransit, BodyError> rise_set_transit_of(const SpkOrvane& engine, std::int32_t body,
                                                             GeodeticObserver observer, Instant around,
                                                             double altitude_deg) {
    auto found = rise_set_transit(engine, body, observer, around, altitude_deg);
    if (!found) return std::unexpected(BodyError{found.error(), body});
    return *found;
}

std::expected<HorizonEvent, BodyError> next_horizon_event_of(const SpkOrvane& engine, std::int32_t body,
                                                             GeodeticObserver observer, Instant after,
                                                             HorizonEventKind kind, double altitude_deg) {
    auto found = next_horizon_event(engine, body, observer, after, kind, altitude_deg);
    if (!found) return std::unexpected(BodyError{found.error(), body});
    return *found;
}

constexpr Method NEXT_SEASON_EVENT{
    "next_season_event",
    {{{"after"}, {"kind"}, {"model", text_default("standard")}}},
    AccessKind::Shared,
    Lock::Released,
    "Next equinox or solstice after `after`. Returned instant is TT."};

constexpr Method NEXT_LUNATION{
    "next_lunation",
    {{{"after"}, {"kind"}, {"model", text_default("standard")}}},
    AccessKind::Shared,
    Lock::Released,
    "Next new or full Moon after `after`. Returned instant is TT."};

constexpr Method RISE_SET_TRANSIT{
    "rise_set_transit",
    {{{"body"}, {"observer"}, {"around"}, {"altitude_deg"}}},
    AccessKind::Shared,
    Lock::Released,
    "Same-day Sun or Moon rise, set, and meridian transit (UT1 Julian days)."};

constexpr Method NEXT_HORIZON_EVENT{
    "next_horizon_event",
    {{{"body"}, {"observer"}, {"after"}, {"kind"}, {"altitude_deg"}}},
    AccessKind::Shared,
    Lock::Released,
    "Next Sun or Moon rise, set, or transit strictly after `after`."};

}  // namespace

PyMethodDef engine_next_season_event() {
    return bind<next_season_event, NEXT_SEASON_EVENT, Instant, SeasonEvent, AstrometryModel>();
}

PyMethodDef engine_next_lunation() {
    return bind<next_lunation, NEXT_LUNATION, Instant, LunationEvent, AstrometryModel>();
}

// The body's name is parsed once every argument's type was checked (the
// event kind of next_horizon_event after it).
PyMethodDef engine_rise_set_transit() {
    return bind<rise_set_transit_of, RISE_SET_TRANSIT, Late<BodyCode>, GeodeticObserver, Instant, double>();
}

PyMethodDef engine_next_horizon_event() {
    return bind<next_horizon_event_of, NEXT_HORIZON_EVENT, Late<BodyCode>, GeodeticObserver, Instant,
                Late<HorizonEventKind>, double>();
}

PyTypeObject* create_rise_set_transit_class() {
    return create_boxed_class<RiseSetTransit>("orvane.RiseSetTransit", "Same-day UT1 rise, set, and transit epochs.",
                                              {.properties = RISE_SET_TRANSIT_PROPERTIES,
                                               .repr = guarded<rise_set_transit_repr>});
}

PyTypeObject* create_horizon_event_class() {
    return create_boxed_class<HorizonEvent>("orvane.HorizonEvent", "One horizon event, as a UT1 Julian day.",
                                            {.properties = HORIZON_EVENT_PROPERTIES,
                                             .repr = guarded<horizon_event_repr>});
}

}  // namespace orvane::python
