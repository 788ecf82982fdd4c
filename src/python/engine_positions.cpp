// Engine.position, Engine.positions, Engine.positions_for_julian_days and
// Engine.sidereal_position.
#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/threaded_positions.hpp"
#include "python/bound_method.hpp"
#include "python/engine_methods.hpp"
#include "python/interpreter_lock.hpp"
#include "python/numpy_array.hpp"

namespace orvane::python {
namespace {

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

std::expected<Position, BodyError> position(const SpkOrvane& engine, std::int32_t body, Instant instant,
                                            PositionOptions options) {
    auto position = engine.position(body, instant, options);
    if (!position) return std::unexpected(BodyError{position.error(), body});
    return *position;
}

std::expected<Position, BodyError> sidereal_position(const SpkOrvane& engine, std::int32_t body, Instant instant,
                                                     PositionOptions options, SiderealMode mode) {
    auto position = engine.sidereal_position(body, instant, options, mode);
    if (!position) return std::unexpected(BodyError{position.error(), body});
    return *position;
}

PyObject* positions(const SpkOrvane& engine, const std::vector<std::int32_t>& bodies,
                    const std::vector<Instant>& instants, PositionOptions options, std::size_t threads) {
    return batch_array(engine, bodies, InstantList(std::span<const Instant>(instants)), options, threads);
}

PyObject* positions_for_julian_days(const SpkOrvane& engine, const std::vector<std::int32_t>& bodies,
                                    const std::vector<double>& days, TimeScale scale, PositionOptions options,
                                    std::size_t threads) {
    return batch_array(engine, bodies, InstantList(std::span<const double>(days), scale), options, threads);
}

constexpr Method POSITION{
    "position",
    {{{"body"}, {"instant"}, {"options"}}},
    AccessKind::Shared,
    Lock::Held,
    "One spherical position for a named body."};

constexpr Method SIDEREAL_POSITION{
    "sidereal_position",
    {{{"body"}, {"instant"}, {"options"}, {"mode"}}},
    AccessKind::Shared,
    Lock::Held,
    "Ecliptic of-date position with Lahiri or Fagan\u2013Bradley ayanamsha."};

constexpr Method POSITIONS{
    "positions",
    {{{"bodies"}, {"instants"}, {"options"}, {"threads", none_default()}}},
    AccessKind::Shared,
    Lock::Held,  // released stretch by stretch
    "Batch positions as a `NumPy` array of shape `(n_instants, n_bodies, 4)`.\n\n"
    "Columns are longitude (deg), latitude (deg), distance (au) and longitude\n"
    "speed (deg/day); the layout is instant-major, like the engine's batch\n"
    "operation: element [i, j] is body j at instant i. `threads` (default:\n"
    "`get_threads()`) is how many threads share the instants; the result and\n"
    "any error are those of one thread."};

constexpr Method POSITIONS_FOR_JULIAN_DAYS{
    "positions_for_julian_days",
    {{{"bodies"}, {"julian_days"}, {"time_scale"}, {"options"}, {"threads", none_default()}}},
    AccessKind::Shared,
    Lock::Held,  // released stretch by stretch
    "Batch positions at Julian days of one time scale, given as a one-dimensional\n"
    "C-contiguous float64 buffer (a `NumPy` array, `array.array('d')`).\n\n"
    "Returns the array `positions` returns for the same instants."};

}  // namespace

PyMethodDef engine_position() {
    return bind<position, POSITION, Late<BodyCode>, Instant, PositionOptions>();
}

PyMethodDef engine_sidereal_position() {
    return bind<sidereal_position, SIDEREAL_POSITION, Late<BodyCode>, Instant, PositionOptions, Late<SiderealMode>>();
}

PyMethodDef engine_positions() {
    return bind<positions, POSITIONS, Late<std::vector<BodyCode>>, std::vector<Instant>, PositionOptions, Threads>();
}

PyMethodDef engine_positions_for_julian_days() {
    return bind<positions_for_julian_days, POSITIONS_FOR_JULIAN_DAYS, Late<std::vector<BodyCode>>, Late<JulianDays>,
                Late<TimeScale>, PositionOptions, Threads>();
}

}  // namespace orvane::python
