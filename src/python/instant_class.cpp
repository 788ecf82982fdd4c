// Instant and GeodeticObserver: the small value classes a request is made of.
#include <cmath>

#include "core/text/text_forms.hpp"
#include "python/classes.hpp"
#include "python/convert.hpp"
#include "python/python_errors.hpp"
#include "python/value_class.hpp"
#include "python/vocabulary.hpp"

namespace orvane::python {
namespace {

// Instant(julian_day, time_scale): types first, then finiteness, then the scale name.
PyObject* make_instant(PyTypeObject* type, const Signature& signature, PyObject* day_object,
                       std::optional<TimeScale> fixed_scale, PyObject* scale_object) {
    auto day = float_argument(signature, 0, day_object);
    if (!day) return nullptr;
    std::optional<std::string_view> scale_text;
    if (!fixed_scale && scale_object != nullptr) {
        scale_text = str_argument(signature, 1, scale_object);
        if (!scale_text) return nullptr;
    }
    if (!std::isfinite(*day)) return value_error(TimeConversionError::non_finite_julian_day().message());
    TimeScale scale = fixed_scale.value_or(TimeScale::Tdb);
    if (scale_text) {
        auto parsed = parse_time_scale(*scale_text);
        if (!parsed) return value_error(parsed.error());
        scale = *parsed;
    }
    return box(type, Instant{*day, scale});
}

const Signature INSTANT_SIGNATURE{"Instant", {"julian_day", "time_scale"}, 1};

PyObject* instant_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    PyObject* arguments[2];
    if (!match_arguments(INSTANT_SIGNATURE, args, kwargs, arguments)) return nullptr;
    return make_instant(type, INSTANT_SIGNATURE, arguments[0], std::nullopt, arguments[1]);
}

template <TimeScale scale>
PyObject* instant_in_scale(PyObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static const Signature signature{canonical_name(scale).data(), {"julian_day"}, 1};
    PyObject* arguments[1];
    if (!match_arguments(signature, args, nargs, kwnames, arguments)) return nullptr;
    return make_instant(reinterpret_cast<PyTypeObject*>(cls), signature, arguments[0], scale, nullptr);
}

#define ORVANE_INSTANT_FACTORY(NAME, SCALE)                                                                     \
    {NAME, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(guarded<instant_in_scale<TimeScale::SCALE>>)),    \
     METH_FASTCALL | METH_KEYWORDS | METH_CLASS, NAME "($cls, julian_day)\n--\n\n"}

PyMethodDef INSTANT_METHODS[] = {
    ORVANE_INSTANT_FACTORY("tdb", Tdb),
    ORVANE_INSTANT_FACTORY("tt", Tt),
    ORVANE_INSTANT_FACTORY("utc", Utc),
    ORVANE_INSTANT_FACTORY("ut1", Ut1),
    {nullptr, nullptr, 0, nullptr},
};

PyObject* instant_time_scale(PyObject* self, void*) {
    return str_object(canonical_name(unbox<Instant>(self).time_scale));
}

PyGetSetDef INSTANT_PROPERTIES[] = {
    {"julian_day", float_property<Instant, &Instant::julian_day>, nullptr, nullptr, nullptr},
    {"time_scale", instant_time_scale, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyObject* instant_repr(PyObject* self) {
    const Instant& instant = unbox<Instant>(self);
    return str_object("Instant(" + debug_float(instant.julian_day) +
                      ", time_scale=" + quoted(canonical_name(instant.time_scale)) + ")");
}

// GeodeticObserver

const Signature OBSERVER_SIGNATURE{"GeodeticObserver", {"longitude_east_deg", "latitude_deg", "height_m"}, 2};

PyObject* observer_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    PyObject* arguments[3];
    if (!match_arguments(OBSERVER_SIGNATURE, args, kwargs, arguments)) return nullptr;
    double values[3] = {0.0, 0.0, 0.0};
    for (std::size_t i = 0; i < 3; ++i) {
        if (arguments[i] == nullptr) continue;
        auto value = float_argument(OBSERVER_SIGNATURE, i, arguments[i]);
        if (!value) return nullptr;
        values[i] = *value;
    }
    auto observer = GeodeticObserver{values[0], values[1], values[2]}.validate();
    if (!observer) return value_error(message(observer.error()));
    return box(type, *observer);
}

PyGetSetDef OBSERVER_PROPERTIES[] = {
    {"longitude_east_deg", float_property<GeodeticObserver, &GeodeticObserver::longitude_east_deg>, nullptr, nullptr,
     nullptr},
    {"latitude_deg", float_property<GeodeticObserver, &GeodeticObserver::latitude_deg>, nullptr, nullptr, nullptr},
    {"height_m", float_property<GeodeticObserver, &GeodeticObserver::height_m>, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

std::string observer_repr_text(const GeodeticObserver& observer) {
    return "GeodeticObserver(longitude_east_deg=" + plain_float(observer.longitude_east_deg) +
           ", latitude_deg=" + plain_float(observer.latitude_deg) + ", height_m=" + plain_float(observer.height_m) +
           ")";
}

namespace {
PyObject* observer_repr(PyObject* self) { return str_object(observer_repr_text(unbox<GeodeticObserver>(self))); }
}  // namespace

PyTypeObject* create_instant_class() {
    return create_boxed_class<Instant>(
        "orvane.Instant",
        "Instant(julian_day, time_scale=\"tdb\")\n--\n\nJulian day with an explicit time scale.",
        {.constructor = guarded<instant_new>,
         .methods = INSTANT_METHODS,
         .properties = INSTANT_PROPERTIES,
         .repr = guarded<instant_repr>});
}

PyTypeObject* create_geodetic_observer_class() {
    return create_boxed_class<GeodeticObserver>(
        "orvane.GeodeticObserver",
        "GeodeticObserver(longitude_east_deg, latitude_deg, height_m=0.0)\n--\n\n"
        "Geodetic site on Earth (east longitude, GRS80/ITRS, height in metres).",
        {.constructor = guarded<observer_new>,
         .properties = OBSERVER_PROPERTIES,
         .repr = guarded<observer_repr>});
}

PyObject* new_instant(const Instant& instant) { return box(classes().instant, instant); }
PyObject* new_geodetic_observer(const GeodeticObserver& observer) {
    return box(classes().geodetic_observer, observer);
}

std::optional<Instant> instant_argument(const Signature& signature, std::size_t index, PyObject* value) {
    if (!instance_argument(signature, index, value, classes().instant)) return std::nullopt;
    return unbox<Instant>(value);
}

std::optional<GeodeticObserver> observer_argument(const Signature& signature, std::size_t index, PyObject* value) {
    if (!instance_argument(signature, index, value, classes().geodetic_observer)) return std::nullopt;
    return unbox<GeodeticObserver>(value);
}

std::optional<double> extract_julian_day(PyObject* value) {
    double day;
    if (PyObject_TypeCheck(value, classes().instant)) {
        day = unbox<Instant>(value).julian_day;
    } else {
        day = PyFloat_AsDouble(value);
        if (day == -1.0 && PyErr_Occurred()) {
            PyErr_Clear();
            value_error("expected an Instant or a finite Julian day float");
            return std::nullopt;
        }
    }
    if (!std::isfinite(day)) {
        value_error(TimeConversionError::non_finite_julian_day().message());
        return std::nullopt;
    }
    return day;
}

}  // namespace orvane::python
