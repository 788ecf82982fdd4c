// The module function house_cusps and its result class HouseCusps.
#include "core/houses/houses.hpp"
#include "core/text/text_forms.hpp"
#include "python/classes.hpp"
#include "python/convert.hpp"
#include "python/model_argument.hpp"
#include "python/python_errors.hpp"
#include "python/value_class.hpp"
#include "python/vocabulary.hpp"

namespace orvane::python {
namespace {

const Signature HOUSE_CUSPS_SIGNATURE{
    "house_cusps", {"observer", "ut1", "tt", "system", "sun_declination_deg", "model"}, 4};

PyObject* cusps_system(PyObject* self, void*) { return new_house_system(unbox<HouseCusps>(self).system); }

PyObject* cusps_longitudes(PyObject* self, void*) {
    const auto& cusps = unbox<HouseCusps>(self).cusp_ecliptic_longitude_deg;
    PyRef list(PyList_New(static_cast<Py_ssize_t>(cusps.size())));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < cusps.size(); ++i) {
        PyObject* value = PyFloat_FromDouble(cusps[i]);
        if (value == nullptr) return nullptr;
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), value);
    }
    return list.release();
}

PyGetSetDef HOUSE_CUSPS_PROPERTIES[] = {
    {"system", cusps_system, nullptr, nullptr, nullptr},
    {"cusp_ecliptic_longitude_deg", cusps_longitudes, nullptr, nullptr, nullptr},
    {"ascendant_deg", float_property<HouseCusps, &HouseCusps::ascendant_deg>, nullptr, nullptr, nullptr},
    {"midheaven_deg", float_property<HouseCusps, &HouseCusps::midheaven_deg>, nullptr, nullptr, nullptr},
    {"ramc_deg", float_property<HouseCusps, &HouseCusps::ramc_deg>, nullptr, nullptr, nullptr},
    {"local_sidereal_time_deg", float_property<HouseCusps, &HouseCusps::local_sidereal_time_deg>, nullptr, nullptr,
     nullptr},
    {"true_obliquity_deg", float_property<HouseCusps, &HouseCusps::true_obliquity_deg>, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

// The system of the last name given as an exact str, with a reference kept
// to that str so that its address names no other object: a loop naming one
// system with one string (a literal, most often) reads the name once.
struct NamedSystem {
    PyObject* name = nullptr;
    HouseSystem system{};
};
NamedSystem last_named_system;

std::optional<HouseSystem> system_argument(PyObject* value) {
    if (value == last_named_system.name) return last_named_system.system;
    auto system = parse_named(value, parse_house_system);
    if (system && PyUnicode_CheckExact(value)) {
        PyObject* previous = last_named_system.name;
        Py_INCREF(value);
        last_named_system = {value, *system};
        Py_XDECREF(previous);
    }
    return system;
}

PyObject* house_cusps_repr(PyObject* self) {
    const HouseCusps& cusps = unbox<HouseCusps>(self);
    return str_object("HouseCusps(system=" + quoted(canonical_name(cusps.system)) +
                      ", ascendant_deg=" + plain_float(cusps.ascendant_deg) +
                      ", midheaven_deg=" + plain_float(cusps.midheaven_deg) + ")");
}

}  // namespace

const char* const HOUSE_CUSPS_DOC =
    "house_cusps(observer, ut1, tt, system, sun_declination_deg=None, model=\"standard\")\n--\n\n"
    "Ecliptic house cusps at a UT1/TT pair (no SPK kernel).\n\n"
    "`ut1` and `tt` may be Instant values or Julian-day floats. An Instant\n"
    "gives its Julian day unchanged, whatever its time scale. Polar motion is\n"
    "omitted. The Sunshine system divides the Sun's diurnal circle and needs\n"
    "the Sun's apparent declination of date in degrees (`sun_declination_deg`);\n"
    "the other systems ignore it. `model=\"full\"` takes the sidereal time and\n"
    "the true obliquity from the IAU 2006/2000A nutation.";

PyObject* house_cusps_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[6];
    if (!match_arguments(HOUSE_CUSPS_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto observer = observer_argument(HOUSE_CUSPS_SIGNATURE, 0, a[0]);
    if (!observer) return nullptr;
    auto ut1 = extract_julian_day(a[1]);
    if (!ut1) return nullptr;
    auto tt = extract_julian_day(a[2]);
    if (!tt) return nullptr;
    auto system = system_argument(a[3]);
    if (!system) return nullptr;
    std::optional<double> sun_declination_deg;
    if (a[4] != nullptr && a[4] != Py_None) {
        auto declination = float_argument(HOUSE_CUSPS_SIGNATURE, 4, a[4]);
        if (!declination) return nullptr;
        sun_declination_deg = *declination;
    }
    auto model = model_argument(HOUSE_CUSPS_SIGNATURE, 5, a[5]);
    if (!model) return nullptr;
    auto cusps = house_cusps(*observer, *ut1, *tt, *system, sun_declination_deg, *model);
    if (!cusps) return map_coordinate_error(cusps.error());
    return box(classes().house_cusps, *cusps);
}

PyTypeObject* create_house_cusps_class() {
    auto declaration =
        boxed_class<HouseCusps>("orvane.HouseCusps", "Ecliptic longitudes of the twelve house cusps plus ASC/MC.");
    declaration.properties = HOUSE_CUSPS_PROPERTIES;
    declaration.repr = guarded<house_cusps_repr>;
    return create_class(declaration);
}

}  // namespace orvane::python
