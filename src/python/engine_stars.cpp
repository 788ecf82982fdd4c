// Engine.with_star_catalogue, Engine.star_position, Engine.star_positions and
// Engine.catalogue_stars: the stars of a Hipparcos catalogue file, and
// Engine.star_horizon_events: a star's rises, sets and transits at a place.
#include <climits>
#include <new>
#include <optional>
#include <vector>

#include "core/constants.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/search/horizon_search.hpp"
#include "engine/star_positions.hpp"
#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/engine_methods.hpp"
#include "python/engine_object.hpp"
#include "python/horizon_event_list.hpp"
#include "python/numpy_array.hpp"
#include "python/python_errors.hpp"
#include "python/value_class.hpp"
#include "python/vocabulary.hpp"
#include "time/text_file.hpp"

namespace orvane::python {
namespace {

const Signature CATALOGUE_SIGNATURE{"with_star_catalogue", {"path"}, 1};
const Signature STAR_POSITION_SIGNATURE{"star_position", {"hip", "instant", "options"}, 3};
const Signature STAR_POSITIONS_SIGNATURE{"star_positions", {"hips", "instants", "options"}, 3};
const Signature CATALOGUE_STARS_SIGNATURE{"catalogue_stars", {"magnitude_limit"}, 1};
const Signature STAR_HORIZON_SIGNATURE{"star_horizon_events", {"hip", "observer", "start", "end", "altitude_deg"}, 4};

// A HIP number: an int (not a bool) within 1..999999, else TypeError or
// ValueError naming it.
std::optional<std::int32_t> hip_argument(const Signature& signature, std::size_t index, PyObject* value) {
    if (!PyLong_Check(value) || PyBool_Check(value)) {
        raise_argument_type(signature, index, "int", value);
        return std::nullopt;
    }
    int overflow = 0;
    const long long hip = PyLong_AsLongLongAndOverflow(value, &overflow);
    if (hip == -1 && PyErr_Occurred()) return std::nullopt;
    if (overflow != 0 || hip < 1 || hip > 999999) {
        value_error("a HIP number is an integer from 1 to 999999");
        return std::nullopt;
    }
    return static_cast<std::int32_t>(hip);
}

// The items of a sequence (not a str), each read by `item`.
template <class Item>
bool each_item(const Signature& signature, std::size_t index, PyObject* value, const char* expected, Item&& item) {
    if (PyUnicode_Check(value) || !PySequence_Check(value)) {
        raise_argument_type(signature, index, expected, value);
        return false;
    }
    PyRef items(PySequence_Fast(value, "expected a sequence"));
    if (!items) return false;
    const Py_ssize_t size = PySequence_Fast_GET_SIZE(items.get());
    PyObject** elements = PySequence_Fast_ITEMS(items.get());
    for (Py_ssize_t i = 0; i < size; ++i) {
        if (!item(elements[i])) return false;
    }
    return true;
}

}  // namespace

PyObject* engine_with_star_catalogue(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[1];
    if (!match_arguments(CATALOGUE_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Exclusive);
    if (!access) return nullptr;
    PyRef holder;
    auto path = path_argument(CATALOGUE_SIGNATURE, 0, a[0], holder);
    if (!path) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    try {
        auto text = read_utf8_text_file(*path);
        if (!text) {
            return file_error("star catalogue " + std::string(*path) + ": " + text.error(), *path, "star_catalogue");
        }
        auto catalogue = HipparcosCatalogue::parse(*text);
        if (!catalogue) return file_error(catalogue.error(), *path, "star_catalogue");
        *engine = SpkOrvane::with_star_catalogue(std::move(*engine), std::move(*catalogue));
    } catch (const std::bad_alloc&) {
        return PyErr_NoMemory();
    }
    Py_RETURN_NONE;
}

PyObject* engine_star_position(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[3];
    if (!match_arguments(STAR_POSITION_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto hip = hip_argument(STAR_POSITION_SIGNATURE, 0, a[0]);
    if (!hip) return nullptr;
    auto instant = instant_argument(STAR_POSITION_SIGNATURE, 1, a[1]);
    if (!instant) return nullptr;
    auto options = options_argument(STAR_POSITION_SIGNATURE, 2, a[2]);
    if (!options) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    const std::int32_t hips[1] = {*hip};
    const Instant instants[1] = {*instant};
    double row[4];
    auto done = star_positions_into(*engine, std::span<const std::int32_t>(hips), InstantList(instants), *options, row);
    if (!done) return map_orvane_error(done.error());
    return new_position(Position{row[0], row[1], row[2], row[3]});
}

PyObject* engine_star_positions(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[3];
    if (!match_arguments(STAR_POSITIONS_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    try {
        std::vector<std::int32_t> hips;
        if (!each_item(STAR_POSITIONS_SIGNATURE, 0, a[0], "a sequence of int", [&](PyObject* item) {
                auto hip = hip_argument(STAR_POSITIONS_SIGNATURE, 0, item);
                if (hip) hips.push_back(*hip);
                return hip.has_value();
            })) {
            return nullptr;
        }
        std::vector<Instant> instants;
        if (!each_item(STAR_POSITIONS_SIGNATURE, 1, a[1], "a sequence of Instant", [&](PyObject* item) {
                if (!PyObject_TypeCheck(item, classes().instant)) {
                    raise_argument_type(STAR_POSITIONS_SIGNATURE, 1, "a sequence of Instant", a[1]);
                    return false;
                }
                instants.push_back(unbox<Instant>(item));
                return true;
            })) {
            return nullptr;
        }
        auto options = options_argument(STAR_POSITIONS_SIGNATURE, 2, a[2]);
        if (!options) return nullptr;
        SpkOrvane* engine = access->engine();
        if (engine == nullptr) return nullptr;
        auto count = SpkOrvane::batch_length(hips.size(), instants.size());
        if (!count) return map_orvane_error(count.error());
        if (*count > std::vector<double>().max_size() / 4) return PyErr_NoMemory();
        std::vector<double> values(4 * *count);
        auto done = star_positions_into(*engine, std::span<const std::int32_t>(hips), InstantList(instants), *options,
                                        values);
        if (!done) return map_orvane_error(done.error());
        return float64_array(std::move(values), {static_cast<Py_ssize_t>(instants.size()),
                                                 static_cast<Py_ssize_t>(hips.size()), 4});
    } catch (const std::bad_alloc&) {
        return PyErr_NoMemory();
    }
}

PyObject* engine_catalogue_stars(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[1];
    if (!match_arguments(CATALOGUE_STARS_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto limit = float_argument(CATALOGUE_STARS_SIGNATURE, 0, a[0]);
    if (!limit) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    if (!engine->stars) return value_error("no star catalogue attached");
    PyRef list(PyList_New(0));
    if (!list) return nullptr;
    for (const HipparcosStar& star : engine->stars->stars()) {
        if (!(star.hp_magnitude <= *limit)) continue;
        PyRef row(Py_BuildValue("(iddd)", star.hip, star.hp_magnitude, star.b_minus_v, star.v_minus_i));
        if (!row || PyList_Append(list.get(), row.get()) != 0) return nullptr;
    }
    return list.release();
}

PyObject* engine_star_horizon_events(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[5];
    if (!match_arguments(STAR_HORIZON_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto hip = hip_argument(STAR_HORIZON_SIGNATURE, 0, a[0]);
    if (!hip) return nullptr;
    auto observer = observer_argument(STAR_HORIZON_SIGNATURE, 1, a[1]);
    if (!observer) return nullptr;
    auto start = instant_argument(STAR_HORIZON_SIGNATURE, 2, a[2]);
    if (!start) return nullptr;
    auto end = instant_argument(STAR_HORIZON_SIGNATURE, 3, a[3]);
    if (!end) return nullptr;
    double altitude = MEAN_REFRACTION_ALTITUDE_DEG;
    if (a[4] != nullptr && a[4] != Py_None) {
        auto given = float_argument(STAR_HORIZON_SIGNATURE, 4, a[4]);
        if (!given) return nullptr;
        altitude = *given;
    }
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto from = earth_rotation_epochs(*engine, start->time_scale, start->julian_day);
    if (!from) return map_orvane_error(from.error());
    auto to = earth_rotation_epochs(*engine, end->time_scale, end->julian_day);
    if (!to) return map_orvane_error(to.error());
    return horizon_event_list(from->ut1_julian_day, to->ut1_julian_day, [&](double first, double last) {
        return star_horizon_events_between(*engine, *hip, *observer, first, last, altitude);
    });
}

}  // namespace orvane::python
