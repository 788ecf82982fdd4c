// Engine.ayanamsha and its result class Ayanamsha.
#include "core/text/text_forms.hpp"
#include "python/classes.hpp"
#include "python/convert.hpp"
#include "python/engine_methods.hpp"
#include "python/engine_object.hpp"
#include "python/python_errors.hpp"
#include "python/value_class.hpp"
#include "python/vocabulary.hpp"

namespace orvane::python {
namespace {

const Signature AYANAMSHA_SIGNATURE{"ayanamsha", {"mode", "instant"}, 2};

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

}  // namespace

PyObject* engine_ayanamsha(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[2];
    if (!match_arguments(AYANAMSHA_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto instant = instant_argument(AYANAMSHA_SIGNATURE, 1, a[1]);
    if (!instant) return nullptr;
    auto mode = parse_named(a[0], parse_sidereal_mode);
    if (!mode) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto value = engine->ayanamsha(*mode, *instant);
    if (!value) return map_orvane_error(value.error());
    return box(classes().ayanamsha, *value);
}

PyTypeObject* create_ayanamsha_class() {
    auto declaration = boxed_class<Ayanamsha>(
        "orvane.Ayanamsha", "Mean ayanamsha of a sidereal mode at one instant (degrees) and its rate (degrees per day).");
    declaration.properties = AYANAMSHA_PROPERTIES;
    declaration.repr = ayanamsha_repr;
    return create_class(declaration);
}

}  // namespace orvane::python
