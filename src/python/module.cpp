// Module initialisation: every class, function and constant is registered in
// a fixed order and its name appended to __all__.
#include <Python.h>

#include "core/constants.hpp"
#include "python/classes.hpp"
#include "python/name_tuples.hpp"
#include "python/numpy_array.hpp"
#include "python/py_ref.hpp"
#include "python/python_errors.hpp"
#include "python/thread_count.hpp"
#include "python/vocabulary.hpp"

namespace orvane::python {

ModuleClasses& classes() {
    static ModuleClasses instance;
    return instance;
}

namespace {

// Sets module.<name> = object (stealing the reference) and appends the name to __all__.
bool register_name(PyObject* module, PyObject* all, const char* name, PyObject* object) {
    PyRef owned(object);
    if (!owned) return false;
    PyRef text(PyUnicode_FromString(name));
    if (!text || PyList_Append(all, text.get()) < 0) return false;
    return PyModule_AddObjectRef(module, name, owned.get()) == 0;
}

// The classes are made once per process; a module initialised again (a
// re-import) registers the same class objects, so that values made through
// either module are accepted by both.
bool register_class(PyObject* module, PyObject* all, const char* name, PyTypeObject*& slot,
                    PyTypeObject* (*create)()) {
    if (slot == nullptr) slot = create();
    if (slot == nullptr) return false;
    Py_INCREF(slot);  // the module table keeps one reference, the attribute another
    return register_name(module, all, name, reinterpret_cast<PyObject*>(slot));
}

bool register_function(PyObject* module, PyObject* all, PyMethodDef* definition) {
    PyRef module_name(PyModule_GetNameObject(module));
    if (!module_name) return false;
    return register_name(module, all, definition->ml_name, PyCFunction_NewEx(definition, module, module_name.get()));
}

PyMethodDef FUNCTION_DEFS[] = {
    {"open", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(guarded<open_engine>)), METH_FASTCALL | METH_KEYWORDS,
     nullptr},
    {"geometric", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(guarded<geometric_options>)),
     METH_FASTCALL | METH_KEYWORDS, nullptr},
    {"apparent", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(guarded<apparent_options>)),
     METH_FASTCALL | METH_KEYWORDS, nullptr},
    {"house_cusps", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(guarded<house_cusps_function>)),
     METH_FASTCALL | METH_KEYWORDS, nullptr},
    {"set_threads", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(guarded<set_threads_function>)),
     METH_FASTCALL | METH_KEYWORDS, nullptr},
    {"get_threads", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(guarded<get_threads_function>)),
     METH_FASTCALL | METH_KEYWORDS, nullptr},
};

struct ClassEntry {
    const char* name;
    PyTypeObject* ModuleClasses::*slot;
    PyTypeObject* (*create)();
};

int exec_module(PyObject* module) {
    PyRef all(PyList_New(0));
    if (!all || PyModule_AddObjectRef(module, "__all__", all.get()) < 0) return -1;
    ModuleClasses& c = classes();
    const ClassEntry class_table[] = {
        {"Instant", &ModuleClasses::instant, create_instant_class},
        {"GeodeticObserver", &ModuleClasses::geodetic_observer, create_geodetic_observer_class},
        {"HouseSystem", &ModuleClasses::house_system, create_house_system_class},
        {"HouseCusps", &ModuleClasses::house_cusps, create_house_cusps_class},
        {"HorizonEventKind", &ModuleClasses::horizon_event_kind, create_horizon_event_kind_class},
        {"RiseSetTransit", &ModuleClasses::rise_set_transit, create_rise_set_transit_class},
        {"HorizonEvent", &ModuleClasses::horizon_event, create_horizon_event_class},
        {"SeasonEvent", &ModuleClasses::season_event, create_season_event_class},
        {"LunationEvent", &ModuleClasses::lunation_event, create_lunation_event_class},
        {"SiderealMode", &ModuleClasses::sidereal_mode, create_sidereal_mode_class},
        {"PositionOptions", &ModuleClasses::position_options, create_position_options_class},
        {"Position", &ModuleClasses::position, create_position_class},
        {"DateRange", &ModuleClasses::date_range, create_date_range_class},
        {"KernelMetadata", &ModuleClasses::kernel_metadata, create_kernel_metadata_class},
        {"Engine", &ModuleClasses::engine, create_engine_class},
        {"Ayanamsha", &ModuleClasses::ayanamsha, create_ayanamsha_class},
    };
    for (const ClassEntry& entry : class_table) {
        if (!register_class(module, all.get(), entry.name, c.*entry.slot, entry.create)) return -1;
    }
    if (!create_array_buffer_class()) return -1;
    FUNCTION_DEFS[0].ml_doc = open_engine_doc();
    FUNCTION_DEFS[1].ml_doc = GEOMETRIC_DOC;
    FUNCTION_DEFS[2].ml_doc = APPARENT_DOC;
    FUNCTION_DEFS[3].ml_doc = HOUSE_CUSPS_DOC;
    FUNCTION_DEFS[4].ml_doc = SET_THREADS_DOC;
    FUNCTION_DEFS[5].ml_doc = GET_THREADS_DOC;
    for (PyMethodDef& definition : FUNCTION_DEFS) {
        if (!register_function(module, all.get(), &definition)) return -1;
    }
    const std::pair<const char*, double> constants[] = {
        {"J2000_JULIAN_DAY", J2000_JULIAN_DAY},
        {"SUN_UPPER_LIMB_ALTITUDE_DEG", SUN_UPPER_LIMB_ALTITUDE_DEG},
        {"MEAN_REFRACTION_ALTITUDE_DEG", MEAN_REFRACTION_ALTITUDE_DEG},
    };
    for (const auto& [name, value] : constants) {
        if (!register_name(module, all.get(), name, PyFloat_FromDouble(value))) return -1;
    }
    // The errors a caller can act on, subclasses of ValueError, after the names above.
    const ClassEntry error_table[] = {
        {"OutsideCoverageError", &ModuleClasses::outside_coverage_error, create_outside_coverage_error},
        {"OutsideEopCoverageError", &ModuleClasses::outside_eop_coverage_error, create_outside_eop_coverage_error},
        {"UndefinedHouseCuspsError", &ModuleClasses::undefined_house_cusps_error,
         create_undefined_house_cusps_error},
        {"FileError", &ModuleClasses::file_error, create_file_error},
    };
    for (const ClassEntry& entry : error_table) {
        if (!register_class(module, all.get(), entry.name, c.*entry.slot, entry.create)) return -1;
    }
    // The names a request may use, as tuples of strings.
    for (const NameTuple& names : NAME_TUPLES) {
        if (!register_name(module, all.get(), names.name, names.create())) return -1;
    }
    return 0;
}

PyModuleDef_Slot MODULE_SLOTS[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
#ifdef Py_mod_multiple_interpreters
    {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
#endif
#ifdef Py_mod_gil
    // Nothing here has been run without the interpreter lock (a free-threaded
    // build): such a build takes the lock for this module.
    {Py_mod_gil, Py_MOD_GIL_USED},
#endif
    {0, nullptr},
};

PyModuleDef MODULE_DEFINITION = {
    PyModuleDef_HEAD_INIT, "orvane", "", 0, nullptr, MODULE_SLOTS, nullptr, nullptr, nullptr,
};

}  // namespace
}  // namespace orvane::python

PyMODINIT_FUNC PyInit_orvane() { return PyModuleDef_Init(&orvane::python::MODULE_DEFINITION); }
