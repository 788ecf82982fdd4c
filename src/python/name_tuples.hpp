#pragma once
#include <Python.h>

#include <array>

namespace orvane::python {

// A module attribute holding a tuple of canonical names, and its maker (a new
// reference, or nullptr with the Python error set).
struct NameTuple {
    const char* name;
    PyObject* (*create)();
};

// BODIES, SMALL_BODIES, TIME_SCALES, ORIGINS, COORDINATE_SYSTEMS,
// REFERENCE_EPOCHS, EVENT_KINDS and SHADOW_RULES, in the order the module registers them.
extern const std::array<NameTuple, 8> NAME_TUPLES;

}  // namespace orvane::python
