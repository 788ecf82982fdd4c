// Engine.ayanamsha and its result class Ayanamsha.
#include "core/text/text_forms.hpp"
#include "python/bound_method.hpp"
#include "python/classes.hpp"
#include "python/convert.hpp"
#include "python/engine_methods.hpp"
#include "python/engine_object.hpp"
#include "python/python_errors.hpp"
#include "python/value_class.hpp"
#include "python/vocabulary.hpp"

namespace orvane::python {
namespace {

PyObject* mode_of(PyObject* self, void*) { return new_sidereal_mode(unbox<Ayanamsha>(self).mode); }

PyGetSetDef AYANAMSHA_PROPERTIES[] = {
    {"mode", mode_of, nullptr, nullptr, nullptr},
    {"ayanamsha_deg", float_property<Ayanamsha, &Ayanamsha::ayanamsha_deg>, nullptr, nullptr, nullptr},
    {"rate_deg_per_day", float_property<Ayanamsha, &Ayanamsha::rate_deg_per_day>, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyObject* ayanamsha_repr(PyObject* self) {
    const Ayanamsha& a = unbox<Ayanamsha>(self);
    return str_object("Ayanamsha(mode=" + quoted(canonical_name(a.mode)) +
                      ", ayanamsha_deg=" + plain_float(a.ayanamsha_deg) +
                      ", rate_deg_per_day=" + plain_float(a.rate_deg_per_day) + ")");
}

std::expected<Ayanamsha, OrvaneError> ayanamsha(const SpkOrvane& engine, SiderealMode mode, Instant instant) {
    return engine.ayanamsha(mode, instant);
}

constexpr Method AYANAMSHA{
    "ayanamsha",
    {{{"mode"}, {"instant"}}},
    AccessKind::Shared,
    Lock::Held,
    "Mean ayanamsha of the sidereal mode at `instant` and its rate (the offset sidereal_position subtracts)."};

}  // namespace

template <>
struct Returned<Ayanamsha> {
    static PyObject* object(const Ayanamsha& value) { return orvane::python::box(classes().ayanamsha, value); }
};

PyMethodDef engine_ayanamsha() { return bind<ayanamsha, AYANAMSHA, Late<SiderealMode>, Instant>(); }

PyTypeObject* create_ayanamsha_class() {
    return create_boxed_class<Ayanamsha>(
        "orvane.Ayanamsha",
        "Mean ayanamsha of a sidereal mode at one instant (degrees) and its rate (degrees per day).",
        {.properties = AYANAMSHA_PROPERTIES, .repr = ayanamsha_repr});
}

}  // namespace orvane::python
