// The Engine class: opening, its text form, metadata and coverage. The request
// methods live beside it in engine_*.cpp files.
#include <array>
#include <new>
#include <string>

#include "core/text/text_forms.hpp"
#include "python/bound_method.hpp"
#include "python/classes.hpp"
#include "python/engine_object.hpp"
#include "python/engine_methods.hpp"
#include "python/python_errors.hpp"
#include "python/value_class.hpp"

namespace orvane::python {
namespace {

// Engine(...) and open(...): one list of parameters.
constexpr std::array<MethodParameter, MAX_PARAMETERS> ENGINE_PARAMETERS{{{"path"},
                                                                         {"sha256"},
                                                                         {"leap_second_kernel", none_default()},
                                                                         {"leap_second_sha256", none_default()},
                                                                         {"eop", none_default()},
                                                                         {"eop_sha256", none_default()}}};

constexpr Method ENGINE{"Engine", ENGINE_PARAMETERS, AccessKind::Shared, Lock::Held,
                        "Open SPK kernel and evaluate geometric or apparent spherical positions."};

constexpr Method OPEN{"open", ENGINE_PARAMETERS, AccessKind::Shared, Lock::Held,
                      "Opens an SPK/BSP kernel. `sha256` is the caller-verified 64-hex checksum.\n\n"
                      "Pass `leap_second_kernel` / `leap_second_sha256` for UTC, and `eop` /\n"
                      "`eop_sha256` as well for UT1 and topocentric polar motion. The same files\n"
                      "can be attached later with `Engine.with_time_kernels`."};

PyObject* wrap_engine(PyTypeObject* type, SpkOrvane engine) {
    PyObject* self = type->tp_alloc(type, 0);
    if (self == nullptr) return nullptr;
    auto* object = reinterpret_cast<EngineObject*>(self);
    new (&object->engine) std::unique_ptr<SpkOrvane>(std::make_unique<SpkOrvane>(std::move(engine)));
    object->owner = current_thread_serial();
    new (&object->access) std::atomic<std::int64_t>(0);
    return self;
}

// Engine(...) and open(...): convert, open the primary kernel, then the time kernels.
template <const Method& method>
PyObject* construct(PyTypeObject* type, PyObject** given) {
    auto open = [type](std::string_view path, std::string_view sha256, std::optional<std::string_view> leap_seconds,
                       std::optional<std::string_view> leap_seconds_sha256, std::optional<std::string_view> eop,
                       std::optional<std::string_view> eop_sha256) -> PyObject* {
        auto engine = SpkOrvane::open(path, sha256);
        if (!engine) return file_error(engine.error().message(), path, "kernel");
        auto attached = attach_constructor_time_kernels(std::move(*engine), leap_seconds, leap_seconds_sha256, eop,
                                                        eop_sha256);
        if (!attached) return nullptr;
        return wrap_engine(type, std::move(*attached));
    };
    return with_arguments<method, Path, std::string_view, std::optional<Path>, std::optional<std::string_view>,
                          std::optional<Path>, std::optional<std::string_view>>(given, open,
                                                                                std::make_index_sequence<6>{});
}

PyObject* engine_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    static constexpr Signature signature = ENGINE.signature();
    PyObject* given[6];
    if (!match_arguments(signature, args, kwargs, given)) return nullptr;
    return construct<ENGINE>(type, given);
}

void engine_dealloc(PyObject* self) {
    auto* object = reinterpret_cast<EngineObject*>(self);
    PyTypeObject* type = Py_TYPE(self);
    if (current_thread_serial() != object->owner) {
        // The engine belongs to its thread: keep its files and memory rather
        // than tear it down here, and report the misuse.
        (void)object->engine.release();
        PyObject *error_type, *error_value, *error_traceback;
        PyErr_Fetch(&error_type, &error_value, &error_traceback);
        PyErr_SetString(PyExc_RuntimeError, "orvane::PyEngine is unsendable, but is being dropped on another thread");
        PyErr_WriteUnraisable(nullptr);
        PyErr_Restore(error_type, error_value, error_traceback);
    }
    object->engine.~unique_ptr();
    object->access.~atomic();
    type->tp_free(self);
    Py_DECREF(type);
}

// A value made from the open engine: its text form, its properties.
template <auto make>
PyObject* from_engine(PyObject* self) {
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    return make(*engine);
}

PyObject* engine_text(const SpkOrvane& engine) {
    return str_object("Engine(kernel_name=" + quoted(engine.metadata.kernel_name) +
                      ", kernel_sha256=" + quoted(engine.metadata.kernel_sha256) + ")");
}

template <auto make>
PyObject* engine_property(PyObject* self, void*) {
    return from_engine<make>(self);
}

PyGetSetDef ENGINE_PROPERTIES[] = {
    {"supported_range", guarded<engine_property<[](const SpkOrvane& e) { return new_date_range(e.supported_range); }>>,
     nullptr, nullptr, nullptr},
    {"kernel_metadata", guarded<engine_property<[](const SpkOrvane& e) { return new_kernel_metadata(e.metadata); }>>,
     nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const char* open_engine_doc() {
    static const std::string doc = function_docstring(OPEN.name, OPEN.parameters, false, OPEN.doc);
    return doc.c_str();
}

PyObject* open_engine(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static constexpr Signature signature = OPEN.signature();
    PyObject* given[6];
    if (!match_arguments(signature, args, nargs, kwnames, given)) return nullptr;
    return construct<OPEN>(classes().engine, given);
}

PyTypeObject* create_engine_class() {
    static const std::string doc = function_docstring(ENGINE.name, ENGINE.parameters, false, ENGINE.doc);
    ClassDeclaration declaration{
        "orvane.Engine",
        doc.c_str(),
        static_cast<Py_ssize_t>(sizeof(EngineObject)),
        engine_dealloc,
        guarded<engine_new>,
    };
    declaration.methods = ENGINE_METHODS;
    declaration.properties = ENGINE_PROPERTIES;
    declaration.repr = guarded<from_engine<engine_text>>;
    return create_class(declaration);
}

}  // namespace orvane::python
