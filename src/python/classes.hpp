#pragma once
#include <Python.h>

#include "core/cartesian_state.hpp"
#include "core/metadata.hpp"
#include "core/time_scale.hpp"

// The module's classes, created once at import, and the constructors of their
// instances that the rest of the binding uses.
namespace orvane::python {

struct ModuleClasses {
    PyTypeObject* instant = nullptr;
    PyTypeObject* geodetic_observer = nullptr;
    PyTypeObject* house_system = nullptr;
    PyTypeObject* house_cusps = nullptr;
    PyTypeObject* horizon_event_kind = nullptr;
    PyTypeObject* rise_set_transit = nullptr;
    PyTypeObject* horizon_event = nullptr;
    PyTypeObject* season_event = nullptr;
    PyTypeObject* lunation_event = nullptr;
    PyTypeObject* sidereal_mode = nullptr;
    PyTypeObject* position_options = nullptr;
    PyTypeObject* position = nullptr;
    PyTypeObject* date_range = nullptr;
    PyTypeObject* kernel_metadata = nullptr;
    PyTypeObject* engine = nullptr;
    PyTypeObject* ayanamsha = nullptr;
    PyTypeObject* outside_coverage_error = nullptr;
    PyTypeObject* outside_eop_coverage_error = nullptr;
    PyTypeObject* undefined_house_cusps_error = nullptr;
    PyTypeObject* file_error = nullptr;
};

ModuleClasses& classes();

// Class creation, one per class, in the order the module registers them.
PyTypeObject* create_position_class();
PyTypeObject* create_date_range_class();
PyTypeObject* create_kernel_metadata_class();
PyTypeObject* create_engine_class();

// Result instances.
PyObject* new_position(const Position& position);
PyObject* new_date_range(const DateRange& range);
PyObject* new_kernel_metadata(const OrvaneMetadata& metadata);

PyTypeObject* create_house_cusps_class();
PyTypeObject* create_rise_set_transit_class();
PyTypeObject* create_horizon_event_class();
PyTypeObject* create_ayanamsha_class();

// Module-level functions.
PyObject* open_engine(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
const char* open_engine_doc();
PyObject* house_cusps_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
extern const char* const HOUSE_CUSPS_DOC;

}  // namespace orvane::python
