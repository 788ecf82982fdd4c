#include "python/engine_object.hpp"

#include "python/python_errors.hpp"

namespace orvane::python {

std::uint64_t current_thread_serial() {
    static std::atomic<std::uint64_t> next_serial{1};
    thread_local const std::uint64_t serial = next_serial.fetch_add(1);
    return serial;
}

std::optional<EngineAccess> EngineAccess::enter(PyObject* self, AccessKind kind) {
    auto* object = reinterpret_cast<EngineObject*>(self);
    if (current_thread_serial() != object->owner) {
        PyErr_SetString(PyExc_RuntimeError, "orvane::PyEngine is unsendable, but sent to another thread");
        return std::nullopt;
    }
    if (kind == AccessKind::Shared) {
        std::int64_t current = object->access.load();
        do {
            if (current < 0) {
                PyErr_SetString(PyExc_RuntimeError, "Already mutably borrowed");
                return std::nullopt;
            }
        } while (!object->access.compare_exchange_weak(current, current + 1));
    } else {
        std::int64_t expected = 0;
        if (!object->access.compare_exchange_strong(expected, -1)) {
            PyErr_SetString(PyExc_RuntimeError, "Already borrowed");
            return std::nullopt;
        }
    }
    return EngineAccess(object, kind);
}

EngineAccess::~EngineAccess() {
    if (object_ == nullptr) return;
    if (kind_ == AccessKind::Shared) {
        object_->access.fetch_sub(1);
    } else {
        object_->access.store(0);
    }
}

SpkOrvane* EngineAccess::engine() const {
    if (!object_->engine) {
        value_error(ENGINE_CLOSED);
        return nullptr;
    }
    return object_->engine.get();
}

}  // namespace orvane::python
