// Engine.position, Engine.positions, Engine.positions_for_julian_days and
// Engine.sidereal_position.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/threaded_positions.hpp"
#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/convert.hpp"
#include "python/engine_methods.hpp"
#include "python/engine_object.hpp"
#include "python/interpreter_lock.hpp"
#include "python/numpy_array.hpp"
#include "python/python_errors.hpp"
#include "python/thread_count.hpp"
#include "python/value_class.hpp"
#include "python/vocabulary.hpp"

namespace orvane::python {
namespace {

const Signature POSITION_SIGNATURE{"position", {"body", "instant", "options"}, 3};
const Signature POSITIONS_SIGNATURE{"positions", {"bodies", "instants", "options", "threads"}, 3};
const Signature DAYS_SIGNATURE{"positions_for_julian_days",
                               {"bodies", "julian_days", "time_scale", "options", "threads"}, 4};
const Signature SIDEREAL_SIGNATURE{"sidereal_position", {"body", "instant", "options", "mode"}, 4};

// A sequence (not a str) whose items are all accepted by `item`, in order.
// `item` returns 1 for an accepted item, 0 for one of the wrong type and -1
// when it has raised an error of its own.
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
        const int accepted = item(elements[i]);
        if (accepted == 0) raise_argument_type(signature, index, expected, value);
        if (accepted != 1) return false;
    }
    return true;
}

// The body names of a batch, copied: the items of a sequence that is not a
// list or tuple (a NumPy array of str, a user sequence) are new objects that
// die with the temporary list, and their UTF-8 text with them.
std::optional<std::vector<BodyArgument>> body_names(const Signature& signature, PyObject* value) {
    std::vector<BodyArgument> names;
    bool names_ok = sequence_argument(signature, 0, value, "a sequence of str or int", [&](PyObject* item) {
        BodyArgument body;
        const int read = read_body_argument(signature, 0, item, body);
        if (read == 1) names.push_back(std::move(body));
        return read;
    });
    if (!names_ok) return std::nullopt;
    return names;
}

std::optional<std::vector<std::int32_t>> parse_bodies(const std::vector<BodyArgument>& names) {
    std::vector<std::int32_t> bodies;
    bodies.reserve(names.size());
    for (const BodyArgument& name : names) {
        auto body = parsed_or_raise(parse_body_argument(name));
        if (!body) return std::nullopt;
        bodies.push_back(*body);
    }
    return bodies;
}

// The values of a one-dimensional, C-contiguous buffer of native float64,
// copied out while the interpreter lock is held: the copy is aligned whatever
// the buffer's alignment, and stays as it was read while the lock is released.
std::optional<std::vector<double>> float64_values(const Signature& signature, std::size_t index, PyObject* value) {
    constexpr const char* EXPECTED = "a C-contiguous buffer of float64";
    Py_buffer view{};
    if (!PyObject_CheckBuffer(value) || PyObject_GetBuffer(value, &view, PyBUF_RECORDS_RO) != 0) {
        PyErr_Clear();
        raise_argument_type(signature, index, EXPECTED, value);
        return std::nullopt;
    }
    struct Release {
        Py_buffer* view;
        ~Release() { PyBuffer_Release(view); }
    } release{&view};
    const std::string_view f(view.format == nullptr ? "B" : view.format);
    const bool native_double =
        f == "d" || f == "@d" || f == "=d" || (f == (std::endian::native == std::endian::little ? "<d" : ">d"));
    if (!native_double || view.itemsize != sizeof(double) || !PyBuffer_IsContiguous(&view, 'C')) {
        raise_argument_type(signature, index, EXPECTED, value);
        return std::nullopt;
    }
    if (view.ndim != 1) {
        std::string shape = "(";
        for (int i = 0; i < view.ndim; ++i) {
            if (i > 0) shape += ", ";
            shape += std::to_string(view.shape[i]);
        }
        shape += ")";
        PyErr_Format(PyExc_TypeError, "%s() argument '%s' must be one-dimensional, not of shape %s",
                     signature.function, *(signature.names.begin() + index), shape.c_str());
        return std::nullopt;
    }
    try {
        std::vector<double> values(static_cast<std::size_t>(view.len) / sizeof(double));
        if (!values.empty()) std::memcpy(values.data(), view.buf, values.size() * sizeof(double));
        return values;
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
        return std::nullopt;
    }
}

// Instants per stretch of a batch computed without the interpreter lock: a few
// milliseconds of work, after which pending signals are handled (Ctrl-C
// raises KeyboardInterrupt) and other threads may run Python.
constexpr std::size_t INSTANTS_PER_STRETCH = 4096;

// Positions in a batch below which it stays on the calling thread: starting
// the helpers and their first pieces costs about what a thread computes of
// this many (bench/threads_speed.py).
constexpr std::size_t POSITIONS_PER_THREADED_BATCH = 8192;

// Instants each thread takes at a time: the largest divisor of a stretch
// that still gives each thread about four pieces, so that a thread slowed by
// other work leaves its share to the others.
std::size_t piece_for(std::size_t instants, std::size_t threads) {
    std::size_t piece = INSTANTS_PER_STRETCH;
    while (piece > 256 && instants / piece < 4 * threads) piece /= 2;
    return piece;
}

// The positions of a batch as a NumPy array of shape (instants, bodies, 4),
// written in place; a batch that fits the result length but not the memory
// is a MemoryError. `instants` are computed in stretches in order, so the
// first failing instant is the one reported, as for the whole batch at once;
// with more than one thread the stretches' pieces are shared between threads
// (engine/threaded_positions), with the same result and the same error.
PyObject* batch_array(const SpkOrvane& engine, std::span<const std::int32_t> bodies, InstantList instants,
                      const PositionOptions& options, std::size_t threads) {
    const std::size_t instant_count = instants.size();
    try {
        auto count = SpkOrvane::batch_length(bodies.size(), instant_count);
        if (!count) {
            // Refused whole, after the checks the engine makes before it.
            std::vector<double> none;
            return map_orvane_error(engine.positions_into(bodies, instants, options, none).error());
        }
        if (*count > std::vector<double>().max_size() / 4) return PyErr_NoMemory();
        // Left unwritten (every element is written below) and without the lock.
        ArrayValues values;
        without_interpreter_lock([&] { values.resize(4 * *count); });
        const std::size_t row = 4 * bodies.size();
        if (threads > 1 && *count >= POSITIONS_PER_THREADED_BATCH) {
            // Pending signals are handled between the calling thread's
            // pieces (the lock taken back for it); one that raises stops
            // every thread, and its exception stays set on this thread.
            bool interrupted = false;
            std::expected<bool, OrvaneError> done;
            {
                struct Released {
                    PyThreadState* state = PyEval_SaveThread();
                    ~Released() { PyEval_RestoreThread(state); }
                } released;
                ThreadPlan plan{threads, INSTANTS_PER_STRETCH, piece_for(instant_count, threads), [&] {
                                    PyEval_RestoreThread(released.state);
                                    interrupted = PyErr_CheckSignals() < 0;
                                    released.state = PyEval_SaveThread();
                                    return !interrupted;
                                }};
                done = positions_on_threads(engine, bodies, instants, options, values, plan);
            }
            if (interrupted) return nullptr;
            if (!done) return map_orvane_error(done.error());
        } else {
            std::size_t begin = 0;
            do {
                const std::size_t end = std::min(instant_count, begin + INSTANTS_PER_STRETCH);
                const std::span<double> out = std::span<double>(values).subspan(begin * row, (end - begin) * row);
                auto done = without_interpreter_lock(
                    [&] { return engine.positions_into(bodies, instants.part(begin, end), options, out); });
                if (!done) return map_orvane_error(done.error());
                if (PyErr_CheckSignals() < 0) return nullptr;
                begin = end;
            } while (begin < instant_count);
        }
        return float64_array(std::move(values), {static_cast<Py_ssize_t>(instant_count),
                                                 static_cast<Py_ssize_t>(bodies.size()), 4});
    } catch (const std::bad_alloc&) {
        return PyErr_NoMemory();
    }
}

}  // namespace

PyObject* engine_position(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[3];
    if (!match_arguments(POSITION_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto name = body_argument(POSITION_SIGNATURE, 0, a[0]);
    if (!name) return nullptr;
    auto instant = instant_argument(POSITION_SIGNATURE, 1, a[1]);
    if (!instant) return nullptr;
    auto options = options_argument(POSITION_SIGNATURE, 2, a[2]);
    if (!options) return nullptr;
    auto body = parsed_or_raise(parse_body_argument(*name));
    if (!body) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto position = engine->position(*body, *instant, *options);
    if (!position) return map_orvane_error(position.error(), *body);
    return new_position(*position);
}

PyObject* engine_sidereal_position(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[4];
    if (!match_arguments(SIDEREAL_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto name = body_argument(SIDEREAL_SIGNATURE, 0, a[0]);
    if (!name) return nullptr;
    auto instant = instant_argument(SIDEREAL_SIGNATURE, 1, a[1]);
    if (!instant) return nullptr;
    auto options = options_argument(SIDEREAL_SIGNATURE, 2, a[2]);
    if (!options) return nullptr;
    auto body = parsed_or_raise(parse_body_argument(*name));
    if (!body) return nullptr;
    auto mode = parse_named(a[3], parse_sidereal_mode);
    if (!mode) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto position = engine->sidereal_position(*body, *instant, *options, *mode);
    if (!position) return map_orvane_error(position.error(), *body);
    return new_position(*position);
}

PyObject* engine_positions(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[4];
    if (!match_arguments(POSITIONS_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;

    auto names = body_names(POSITIONS_SIGNATURE, a[0]);
    if (!names) return nullptr;
    std::vector<Instant> instants;
    bool instants_ok = sequence_argument(POSITIONS_SIGNATURE, 1, a[1], "a sequence of Instant", [&](PyObject* item) {
        if (!PyObject_TypeCheck(item, classes().instant)) return 0;
        instants.push_back(unbox<Instant>(item));
        return 1;
    });
    if (!instants_ok) return nullptr;
    auto options = options_argument(POSITIONS_SIGNATURE, 2, a[2]);
    if (!options) return nullptr;
    auto threads = threads_argument(POSITIONS_SIGNATURE, 3, a[3]);
    if (!threads) return nullptr;

    auto bodies = parse_bodies(*names);
    if (!bodies) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    return batch_array(*engine, *bodies, InstantList(std::span<const Instant>(instants)), *options, *threads);
}

PyObject* engine_positions_for_julian_days(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                           PyObject* kwnames) {
    PyObject* a[5];
    if (!match_arguments(DAYS_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto names = body_names(DAYS_SIGNATURE, a[0]);
    if (!names) return nullptr;
    auto days = float64_values(DAYS_SIGNATURE, 1, a[1]);
    if (!days) return nullptr;
    auto scale_text = str_argument(DAYS_SIGNATURE, 2, a[2]);
    if (!scale_text) return nullptr;
    auto options = options_argument(DAYS_SIGNATURE, 3, a[3]);
    if (!options) return nullptr;
    auto threads = threads_argument(DAYS_SIGNATURE, 4, a[4]);
    if (!threads) return nullptr;
    for (double day : *days) {
        if (!std::isfinite(day)) return value_error(TimeConversionError::non_finite_julian_day().message());
    }
    auto scale = parse_time_scale(*scale_text);
    if (!scale) return value_error(scale.error());
    auto bodies = parse_bodies(*names);
    if (!bodies) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    return batch_array(*engine, *bodies, InstantList(std::span<const double>(*days), *scale), *options, *threads);
}

}  // namespace orvane::python
