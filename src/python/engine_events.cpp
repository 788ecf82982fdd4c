// Engine.next_season_event, next_lunation, rise_set_transit and
// next_horizon_event, with the result classes RiseSetTransit and HorizonEvent.
#include "core/text/text_forms.hpp"
#include "python/classes.hpp"
#include "python/convert.hpp"
#include "python/engine_methods.hpp"
#include "python/engine_object.hpp"
#include "python/model_argument.hpp"
#include "python/interpreter_lock.hpp"
#include "python/python_errors.hpp"
#include "python/value_class.hpp"
#include "python/vocabulary.hpp"
#include "engine/horizon_events.hpp"
#include "engine/seasons_lunations.hpp"

namespace orvane::python {
namespace {

const Signature SEASON_SIGNATURE{"next_season_event", {"after", "kind", "model"}, 2};
const Signature LUNATION_SIGNATURE{"next_lunation", {"after", "kind", "model"}, 2};
const Signature RISE_SET_TRANSIT_SIGNATURE{"rise_set_transit", {"body", "observer", "around", "altitude_deg"}, 4};
const Signature NEXT_HORIZON_SIGNATURE{
    "next_horizon_event", {"body", "observer", "after", "kind", "altitude_deg"}, 5};

double season_target_deg(SeasonEvent event) { return angle_event_row(event).target_deg; }
double lunation_target_deg(LunationEvent event) { return angle_event_row(event).target_deg; }

// next_season_event / next_lunation share their shape.
template <class Event, class Parse, class Target, class Search>
PyObject* next_angle_event(PyObject* self, const Signature& signature, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames, Parse&& parse, Target&& target, Search&& search) {
    PyObject* a[3];
    if (!match_arguments(signature, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto after = instant_argument(signature, 0, a[0]);
    if (!after) return nullptr;
    std::optional<Event> event = parse_named(a[1], parse);
    if (!event) return nullptr;
    auto model = model_argument(signature, 2, a[2]);
    if (!model) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto found = without_interpreter_lock([&] { return search(*engine, *after, target(*event), *model); });
    if (!found) return map_orvane_error(found.error());
    return new_instant(*found);
}

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

}  // namespace

PyObject* engine_next_season_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return next_angle_event<SeasonEvent>(self, SEASON_SIGNATURE, args, nargs, kwnames, parse_season_event,
                                         season_target_deg, next_sun_longitude);
}

PyObject* engine_next_lunation(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return next_angle_event<LunationEvent>(self, LUNATION_SIGNATURE, args, nargs, kwnames, parse_lunation_event,
                                           lunation_target_deg, next_sun_moon_elongation);
}

namespace {

// The arguments shared by the horizon requests, type-checked in parameter
// order: body (str), observer, instant, and the altitude at altitude_index.
struct HorizonArguments {
    std::int32_t body;
    GeodeticObserver observer;
    Instant instant;
    double altitude_deg;
};

std::optional<HorizonArguments> horizon_arguments(const Signature& signature, PyObject* const* a,
                                                  std::size_t altitude_index) {
    auto name = body_argument(signature, 0, a[0]);
    if (!name) return std::nullopt;
    auto observer = observer_argument(signature, 1, a[1]);
    if (!observer) return std::nullopt;
    auto instant = instant_argument(signature, 2, a[2]);
    if (!instant) return std::nullopt;
    auto altitude = float_argument(signature, altitude_index, a[altitude_index]);
    if (!altitude) return std::nullopt;
    auto id = parsed_or_raise(parse_body_argument(*name));
    if (!id) return std::nullopt;
    return HorizonArguments{*id, *observer, *instant, *altitude};
}

}  // namespace

PyObject* engine_rise_set_transit(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[4];
    if (!match_arguments(RISE_SET_TRANSIT_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto request = horizon_arguments(RISE_SET_TRANSIT_SIGNATURE, a, 3);
    if (!request) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto result = without_interpreter_lock([&] {
        return rise_set_transit(*engine, request->body, request->observer, request->instant, request->altitude_deg);
    });
    if (!result) return map_orvane_error(result.error(), request->body);
    return box(classes().rise_set_transit, *result);
}

PyObject* engine_next_horizon_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[5];
    if (!match_arguments(NEXT_HORIZON_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto request = horizon_arguments(NEXT_HORIZON_SIGNATURE, a, 4);
    if (!request) return nullptr;
    std::optional<HorizonEventKind> kind = parse_named(a[3], parse_horizon_event_kind);
    if (!kind) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto event = without_interpreter_lock([&] {
        return next_horizon_event(*engine, request->body, request->observer, request->instant, *kind,
                                  request->altitude_deg);
    });
    if (!event) return map_orvane_error(event.error(), request->body);
    return box(classes().horizon_event, *event);
}

PyTypeObject* create_rise_set_transit_class() {
    auto declaration =
        boxed_class<RiseSetTransit>("orvane.RiseSetTransit", "Same-day UT1 rise, set, and transit epochs.");
    declaration.properties = RISE_SET_TRANSIT_PROPERTIES;
    declaration.repr = guarded<rise_set_transit_repr>;
    return create_class(declaration);
}

PyTypeObject* create_horizon_event_class() {
    auto declaration = boxed_class<HorizonEvent>("orvane.HorizonEvent", "One horizon event, as a UT1 Julian day.");
    declaration.properties = HORIZON_EVENT_PROPERTIES;
    declaration.repr = guarded<horizon_event_repr>;
    return create_class(declaration);
}

}  // namespace orvane::python
