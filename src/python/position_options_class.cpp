// PositionOptions and the two option functions geometric() and apparent().
#include "core/text/text_forms.hpp"
#include "python/classes.hpp"
#include "python/convert.hpp"
#include "python/model_argument.hpp"
#include "python/python_errors.hpp"
#include "python/value_class.hpp"
#include "python/vocabulary.hpp"

namespace orvane::python {
namespace {

// The observer argument: a GeodeticObserver or None/absent.
bool optional_observer(const Signature& signature, std::size_t index, PyObject* value,
                       std::optional<GeodeticObserver>& observer) {
    if (is_absent(value)) return true;
    auto read = observer_argument(signature, index, value);
    if (!read) return false;
    observer = *read;
    return true;
}

// Origin with its observer rules, then the coordinate system.
bool parse_origin_and_system(std::string_view origin_text, std::string_view system_text,
                             std::optional<GeodeticObserver> observer, PositionOptions& options) {
    auto origin = parse_origin(origin_text, observer);
    if (!origin) {
        value_error(origin.error());
        return false;
    }
    auto system = parse_coordinate_system(system_text);
    if (!system) {
        value_error(system.error());
        return false;
    }
    options.origin = *origin;
    options.coordinate_system = *system;
    return true;
}

const Signature OPTIONS_SIGNATURE{"PositionOptions",
                                  {"origin", "coordinate_system", "reference_epoch", "apparent", "true_ecliptic",
                                   "light_time", "aberration", "gravitational_deflection", "precession", "nutation",
                                   "observer", "model"},
                                  2};

PyObject* options_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    PyObject* a[12];
    if (!match_arguments(OPTIONS_SIGNATURE, args, kwargs, a)) return nullptr;
    auto origin = str_argument(OPTIONS_SIGNATURE, 0, a[0]);
    if (!origin) return nullptr;
    auto system = str_argument(OPTIONS_SIGNATURE, 1, a[1]);
    if (!system) return nullptr;
    std::string_view epoch_text = "j2000";
    if (a[2] != nullptr) {
        auto epoch = str_argument(OPTIONS_SIGNATURE, 2, a[2]);
        if (!epoch) return nullptr;
        epoch_text = *epoch;
    }
    bool switches[7] = {};
    for (std::size_t i = 0; i < 7; ++i) {
        if (a[3 + i] == nullptr) continue;
        auto value = bool_argument(OPTIONS_SIGNATURE, 3 + i, a[3 + i]);
        if (!value) return nullptr;
        switches[i] = *value;
    }
    std::optional<GeodeticObserver> observer;
    if (!optional_observer(OPTIONS_SIGNATURE, 10, a[10], observer)) return nullptr;
    std::string_view model_text = "standard";
    if (a[11] != nullptr) {
        auto text = str_argument(OPTIONS_SIGNATURE, 11, a[11]);
        if (!text) return nullptr;
        model_text = *text;
    }

    PositionOptions options;
    if (!parse_origin_and_system(*origin, *system, observer, options)) return nullptr;
    auto epoch = parse_reference_epoch(epoch_text);
    if (!epoch) return value_error(epoch.error());
    options.reference_epoch = *epoch;
    options.apparent = switches[0];
    options.true_ecliptic = switches[1];
    options.corrections = Corrections{switches[2], switches[3], switches[4], switches[5], switches[6]};
    auto model = parse_model_name(model_text);
    if (!model) return nullptr;
    options.model = *model;
    return box(type, options);
}

PyObject* options_origin(PyObject* self, void*) {
    return str_object(canonical_name(unbox<PositionOptions>(self).origin.kind));
}
PyObject* options_observer(PyObject* self, void*) {
    const Origin& origin = unbox<PositionOptions>(self).origin;
    if (origin.kind != OriginKind::Topocentric) Py_RETURN_NONE;
    return new_geodetic_observer(origin.observer);
}
PyObject* options_coordinate_system(PyObject* self, void*) {
    return str_object(canonical_name(unbox<PositionOptions>(self).coordinate_system));
}
PyObject* options_reference_epoch(PyObject* self, void*) {
    return str_object(canonical_name(unbox<PositionOptions>(self).reference_epoch));
}
PyObject* options_model(PyObject* self, void*) { return str_object(model_name(unbox<PositionOptions>(self).model)); }
PyObject* options_apparent(PyObject* self, void*) { return PyBool_FromLong(unbox<PositionOptions>(self).apparent); }
PyObject* options_true_ecliptic(PyObject* self, void*) {
    return PyBool_FromLong(unbox<PositionOptions>(self).true_ecliptic);
}

PyGetSetDef OPTIONS_PROPERTIES[] = {
    {"origin", options_origin, nullptr, nullptr, nullptr},
    {"observer", options_observer, nullptr, nullptr, nullptr},
    {"coordinate_system", options_coordinate_system, nullptr, nullptr, nullptr},
    {"reference_epoch", options_reference_epoch, nullptr, nullptr, nullptr},
    {"apparent", options_apparent, nullptr, nullptr, nullptr},
    {"true_ecliptic", options_true_ecliptic, nullptr, nullptr, nullptr},
    {"model", options_model, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyObject* options_repr(PyObject* self) {
    const PositionOptions& options = unbox<PositionOptions>(self);
    std::string text = "PositionOptions(origin=" + quoted(canonical_name(options.origin.kind));
    if (options.origin.kind == OriginKind::Topocentric) text += ", observer=" + observer_repr_text(options.origin.observer);
    text += ", coordinate_system=" + quoted(canonical_name(options.coordinate_system));
    text += ", reference_epoch=" + quoted(canonical_name(options.reference_epoch));
    text += ", apparent=";
    text += boolean(options.apparent);
    if (options.model != AstrometryModel::Standard) text += ", model=" + quoted(model_name(options.model));
    text += ")";
    return str_object(text);
}

// geometric() / apparent(): origin, coordinate system and observer; the rest fixed.
PyObject* position_options_from_origin(const Signature& signature, PyObject* const* args, Py_ssize_t nargs,
                                       PyObject* kwnames, bool apparent) {
    PyObject* a[4];
    if (!match_arguments(signature, args, nargs, kwnames, a)) return nullptr;
    std::string_view origin_text = "geocentric";
    std::string_view system_text = "ecliptic";
    if (a[0] != nullptr) {
        auto origin = str_argument(signature, 0, a[0]);
        if (!origin) return nullptr;
        origin_text = *origin;
    }
    if (a[1] != nullptr) {
        auto system = str_argument(signature, 1, a[1]);
        if (!system) return nullptr;
        system_text = *system;
    }
    std::optional<GeodeticObserver> observer;
    if (!optional_observer(signature, 2, a[2], observer)) return nullptr;
    std::string_view model_text = "standard";
    if (a[3] != nullptr) {
        auto text = str_argument(signature, 3, a[3]);
        if (!text) return nullptr;
        model_text = *text;
    }
    PositionOptions options;
    if (!parse_origin_and_system(origin_text, system_text, observer, options)) return nullptr;
    auto model = parse_model_name(model_text);
    if (!model) return nullptr;
    options.reference_epoch = apparent ? ReferenceEpoch::OfDate : ReferenceEpoch::J2000;
    options.apparent = apparent;
    options.model = *model;
    return box(classes().position_options, options);
}

const Signature GEOMETRIC_SIGNATURE{"geometric", {"origin", "coordinate_system", "observer", "model"}, 0};
const Signature APPARENT_SIGNATURE{"apparent", {"origin", "coordinate_system", "observer", "model"}, 0};

}  // namespace

const char* const GEOMETRIC_DOC =
    "geometric(origin=\"geocentric\", coordinate_system=\"ecliptic\", observer=None, model=\"standard\")\n--\n\n"
    "Geometric J2000 request with every correction switch off.";
const char* const APPARENT_DOC =
    "apparent(origin=\"geocentric\", coordinate_system=\"ecliptic\", observer=None, model=\"standard\")\n--\n\n"
    "Apparent-place convenience at the true equinox/ecliptic of date.";

PyObject* geometric_options(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return position_options_from_origin(GEOMETRIC_SIGNATURE, args, nargs, kwnames, false);
}

PyObject* apparent_options(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return position_options_from_origin(APPARENT_SIGNATURE, args, nargs, kwnames, true);
}

PyTypeObject* create_position_options_class() {
    return create_boxed_class<PositionOptions>(
        "orvane.PositionOptions",
        "PositionOptions(origin, coordinate_system, reference_epoch=\"j2000\", apparent=False, true_ecliptic=False, "
        "light_time=False, aberration=False, gravitational_deflection=False, precession=False, nutation=False, "
        "observer=None, model=\"standard\")\n--\n\nExplicit geometric or apparent request options.",
        {.constructor = guarded<options_new>,
         .properties = OPTIONS_PROPERTIES,
         .repr = guarded<options_repr>});
}

std::optional<PositionOptions> options_argument(const Signature& signature, std::size_t index, PyObject* value) {
    if (!instance_argument(signature, index, value, classes().position_options)) return std::nullopt;
    return unbox<PositionOptions>(value);
}

}  // namespace orvane::python
