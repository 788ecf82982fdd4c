// orvane.set_threads and orvane.get_threads, and the `threads` argument of
// the array calls.
#include "python/thread_count.hpp"

#include <atomic>

#include "engine/threaded_positions.hpp"

namespace orvane::python {
namespace {

// 0 until set: the available cores.
std::atomic<std::size_t> configured{0};

const Signature SET_THREADS_SIGNATURE{"set_threads", {"count"}, 1};
const Signature GET_THREADS_SIGNATURE{"get_threads", {}, 0};

}  // namespace

const char* const SET_THREADS_DOC =
    "set_threads(count)\n--\n\n"
    "Sets how many threads an array call (`Engine.positions`,\n"
    "`Engine.positions_for_julian_days`) shares its instants between, the\n"
    "calling thread included: an int from 1 to 64, or None for the cores\n"
    "this process may run on (the default). A call's `threads` argument\n"
    "overrides it. The result is the same, bit for bit, whatever the count.";
const char* const GET_THREADS_DOC =
    "get_threads()\n--\n\n"
    "How many threads an array call shares its instants between (see\n"
    "`set_threads`).";

std::size_t thread_setting() {
    const std::size_t count = configured.load(std::memory_order_relaxed);
    return count == 0 ? std::min(available_cores(), MAX_THREADS) : count;
}

std::optional<std::size_t> threads_argument(const Signature& signature, std::size_t index, PyObject* value) {
    if (value == nullptr || value == Py_None) return thread_setting();
    if (PyBool_Check(value) || !PyLong_Check(value)) {
        raise_argument_type(signature, index, "an int or None", value);
        return std::nullopt;
    }
    int overflow = 0;
    const long long count = PyLong_AsLongLongAndOverflow(value, &overflow);
    if (count == -1 && PyErr_Occurred()) return std::nullopt;
    if (overflow != 0 || count < 1 || count > static_cast<long long>(MAX_THREADS)) {
        PyErr_Format(PyExc_ValueError, "%s() argument '%s' must be from 1 to %zu", signature.function,
                     *(signature.names.begin() + index), MAX_THREADS);
        return std::nullopt;
    }
    return static_cast<std::size_t>(count);
}

PyObject* set_threads_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[1];
    if (!match_arguments(SET_THREADS_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    if (a[0] == Py_None) {
        configured.store(0, std::memory_order_relaxed);
        Py_RETURN_NONE;
    }
    auto count = threads_argument(SET_THREADS_SIGNATURE, 0, a[0]);
    if (!count) return nullptr;
    configured.store(*count, std::memory_order_relaxed);
    Py_RETURN_NONE;
}

PyObject* get_threads_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[1];
    if (!match_arguments(GET_THREADS_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    return PyLong_FromSize_t(thread_setting());
}

}  // namespace orvane::python
