// Engine.position, Engine.positions and Engine.sidereal_position.
#include <string>
#include <new>
#include <vector>

#include "python/classes.hpp"
#include "python/convert.hpp"
#include "python/engine_methods.hpp"
#include "python/engine_object.hpp"
#include "python/numpy_array.hpp"
#include "python/python_errors.hpp"
#include "python/value_class.hpp"
#include "python/vocabulary.hpp"

namespace orvane::python {
namespace {

const Signature POSITION_SIGNATURE{"position", {"body", "instant", "options"}, 3};
const Signature POSITIONS_SIGNATURE{"positions", {"bodies", "instants", "options"}, 3};
const Signature SIDEREAL_SIGNATURE{"sidereal_position", {"body", "instant", "options", "mode"}, 4};

// A sequence (not a str) whose items are all accepted by `item`, in order.
template <class Item>
bool sequence_argument(const Signature& signature, std::size_t index, PyObject* value, const char* expected,
                       Item&& item) {
    if (PyUnicode_Check(value) || !PySequence_Check(value)) {
        raise_argument_type(signature, index, expected, value);
        return false;
    }
    PyRef items(PySequence_Fast(value, "expected a sequence"));
    if (!items) return false;
    Py_ssize_t size = PySequence_Fast_GET_SIZE(items.get());
    PyObject** elements = PySequence_Fast_ITEMS(items.get());
    for (Py_ssize_t i = 0; i < size; ++i) {
        if (!item(elements[i])) {
            raise_argument_type(signature, index, expected, value);
            return false;
        }
    }
    return true;
}

}  // namespace

PyObject* engine_position(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[3];
    if (!match_arguments(POSITION_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto name = str_argument(POSITION_SIGNATURE, 0, a[0]);
    if (!name) return nullptr;
    auto instant = instant_argument(POSITION_SIGNATURE, 1, a[1]);
    if (!instant) return nullptr;
    auto options = options_argument(POSITION_SIGNATURE, 2, a[2]);
    if (!options) return nullptr;
    auto body = parsed_or_raise(parse_body(*name));
    if (!body) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto position = engine->position(*body, *instant, *options);
    if (!position) return map_orvane_error(position.error());
    return new_position(*position);
}

PyObject* engine_sidereal_position(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[4];
    if (!match_arguments(SIDEREAL_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto name = str_argument(SIDEREAL_SIGNATURE, 0, a[0]);
    if (!name) return nullptr;
    auto instant = instant_argument(SIDEREAL_SIGNATURE, 1, a[1]);
    if (!instant) return nullptr;
    auto options = options_argument(SIDEREAL_SIGNATURE, 2, a[2]);
    if (!options) return nullptr;
    auto body = parsed_or_raise(parse_body(*name));
    if (!body) return nullptr;
    auto mode = parse_named(a[3], parse_sidereal_mode);
    if (!mode) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto position = engine->sidereal_position(*body, *instant, *options, *mode);
    if (!position) return map_orvane_error(position.error());
    return new_position(*position);
}

PyObject* engine_positions(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[3];
    if (!match_arguments(POSITIONS_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;

    // Copies: the items of a sequence that is not a list or tuple (a NumPy
    // array of str, a user sequence) are new objects that die with the
    // temporary list, and their UTF-8 text with them.
    std::vector<std::string> names;
    bool names_ok = sequence_argument(POSITIONS_SIGNATURE, 0, a[0], "a sequence of str", [&](PyObject* item) {
        if (!PyUnicode_Check(item)) return false;
        Py_ssize_t size = 0;
        const char* text = PyUnicode_AsUTF8AndSize(item, &size);
        if (text == nullptr) {
            PyErr_Clear();
            return false;
        }
        names.emplace_back(text, static_cast<std::size_t>(size));
        return true;
    });
    if (!names_ok) return nullptr;
    std::vector<Instant> instants;
    bool instants_ok = sequence_argument(POSITIONS_SIGNATURE, 1, a[1], "a sequence of Instant", [&](PyObject* item) {
        if (!PyObject_TypeCheck(item, classes().instant)) return false;
        instants.push_back(unbox<Instant>(item));
        return true;
    });
    if (!instants_ok) return nullptr;
    auto options = options_argument(POSITIONS_SIGNATURE, 2, a[2]);
    if (!options) return nullptr;

    std::vector<Body> bodies;
    bodies.reserve(names.size());
    for (const std::string& name : names) {
        auto body = parsed_or_raise(parse_body(name));
        if (!body) return nullptr;
        bodies.push_back(*body);
    }
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    // A batch that fits the result length but not the memory is a MemoryError.
    try {
        auto positions = engine->positions(bodies, instants, *options);
        if (!positions) return map_orvane_error(positions.error());

        std::vector<double> values;
        values.reserve(positions->size() * 4);
        for (const Position& p : *positions) {
            values.insert(values.end(),
                          {p.longitude_deg, p.latitude_deg, p.distance_au, p.longitude_speed_deg_per_day});
        }
        return float64_array(std::move(values), {static_cast<Py_ssize_t>(instants.size()),
                                                 static_cast<Py_ssize_t>(bodies.size()), 4});
    } catch (const std::bad_alloc&) {
        return PyErr_NoMemory();
    }
}

}  // namespace orvane::python
