#pragma once
#include <Python.h>

#include <cstddef>
#include <optional>

#include "python/arguments.hpp"

// How many threads an array call shares its instants between: the module's
// setting (orvane.set_threads / orvane.get_threads), the cores this process
// may run on until it is set, or a call's own `threads` argument.
namespace orvane::python {

// Most threads one call may use.
inline constexpr std::size_t MAX_THREADS = 64;

// The module's setting, or the available cores when unset.
std::size_t thread_setting();

// A call's `threads` argument (nullptr or None: the module's setting); an
// int from 1 to MAX_THREADS, else TypeError or ValueError.
std::optional<std::size_t> threads_argument(const Signature& signature, std::size_t index, PyObject* value);

extern const char* const SET_THREADS_DOC;
extern const char* const GET_THREADS_DOC;
PyObject* set_threads_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* get_threads_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

}  // namespace orvane::python
