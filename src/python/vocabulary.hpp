#pragma once
#include <Python.h>

#include <expected>
#include <optional>
#include <string>

#include "core/observer/geodetic_observer.hpp"
#include "core/position_options.hpp"
#include "core/selectors.hpp"
#include "core/time_scale.hpp"
#include "python/arguments.hpp"
#include "python/python_errors.hpp"

// The request vocabulary shared by the Engine methods: creating the value
// classes, reading them back, and the two argument converters of requests.
namespace orvane::python {

PyTypeObject* create_instant_class();
PyTypeObject* create_geodetic_observer_class();
PyTypeObject* create_position_options_class();
PyTypeObject* create_house_system_class();
PyTypeObject* create_season_event_class();
PyTypeObject* create_lunation_event_class();
PyTypeObject* create_sidereal_mode_class();
PyTypeObject* create_horizon_event_kind_class();

PyObject* new_instant(const Instant& instant);
PyObject* new_geodetic_observer(const GeodeticObserver& observer);
PyObject* new_house_system(HouseSystem system);
PyObject* new_sidereal_mode(SiderealMode mode);
PyObject* new_horizon_event_kind(HorizonEventKind kind);

// Module functions geometric() and apparent().
PyObject* geometric_options(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* apparent_options(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
extern const char* const GEOMETRIC_DOC;
extern const char* const APPARENT_DOC;

// "GeodeticObserver(longitude_east_deg=..., latitude_deg=..., height_m=...)".
std::string observer_repr_text(const GeodeticObserver& observer);

// Typed reads of our own classes' arguments (TypeError naming the parameter).
std::optional<Instant> instant_argument(const Signature& signature, std::size_t index, PyObject* value);
std::optional<GeodeticObserver> observer_argument(const Signature& signature, std::size_t index, PyObject* value);
std::optional<PositionOptions> options_argument(const Signature& signature, std::size_t index, PyObject* value);

// A name given as a str, or as any object whose `name` attribute is a str
// (our enum-like classes, Python enumeration members). ValueError otherwise.
std::optional<std::string> extract_name(PyObject* value);

// The parsed value, or nullopt with ValueError(the parser's text) set.
template <class T>
std::optional<T> parsed_or_raise(std::expected<T, std::string> parsed) {
    if (!parsed) {
        value_error(parsed.error());
        return std::nullopt;
    }
    return *parsed;
}

// A name read with extract_name and given to a parser; ValueError on failure.
template <class Parse>
auto parse_named(PyObject* value, Parse&& parse) {
    using Value = typename decltype(parse(std::string_view{}))::value_type;
    auto text = extract_name(value);
    if (!text) return std::optional<Value>{};
    return parsed_or_raise(parse(*text));
}

// A Julian day given as an Instant (its day, scale ignored) or a finite number.
std::optional<double> extract_julian_day(PyObject* value);

}  // namespace orvane::python
