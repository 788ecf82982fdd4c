#pragma once
#include <Python.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "engine/engine.hpp"
#include "python/python_errors.hpp"

// The Python Engine: one position engine bound to the thread that created it,
// with a counter of shared and exclusive access.
namespace orvane::python {

// A number for the calling thread, never given to another thread of the
// process (thread ids are reused once a thread ends; these are not).
std::uint64_t current_thread_serial();

struct EngineObject {
    PyObject_HEAD
    std::unique_ptr<SpkOrvane> engine;  // null once the Engine is closed
    std::uint64_t owner;                // current_thread_serial() of the creating thread
    std::atomic<std::int64_t> access;  // > 0 shared users, -1 exclusive, 0 free
};

enum class AccessKind { Shared, Exclusive };

// Access to an Engine for the length of one call: the thread check, then the
// shared or exclusive claim on the access counter, released on destruction.
class EngineAccess {
public:
    // Null with RuntimeError set when the thread or the counter refuses.
    static std::optional<EngineAccess> enter(PyObject* self, AccessKind kind);
    EngineAccess(EngineAccess&& other) noexcept : object_(std::exchange(other.object_, nullptr)), kind_(other.kind_) {}
    EngineAccess(const EngineAccess&) = delete;
    EngineAccess& operator=(const EngineAccess&) = delete;
    EngineAccess& operator=(EngineAccess&&) = delete;
    ~EngineAccess();

    EngineObject& object() const { return *object_; }
    // The engine, or null with ValueError "engine is closed" set.
    SpkOrvane* engine() const;

private:
    EngineAccess(EngineObject* object, AccessKind kind) : object_(object), kind_(kind) {}
    EngineObject* object_;
    AccessKind kind_;
};

// For the methods that extend an engine: the engine taken out of the Engine
// and put back as `extend` makes it from what was taken; ValueError "engine
// is closed" when there is none. Returns None.
template <class Extend>
PyObject* replace_engine(EngineObject& object, Extend&& extend) {
    if (!object.engine) return value_error(ENGINE_CLOSED);
    std::unique_ptr<SpkOrvane> engine = std::move(object.engine);
    object.engine = std::make_unique<SpkOrvane>(extend(std::move(*engine)));
    Py_RETURN_NONE;
}

}  // namespace orvane::python
