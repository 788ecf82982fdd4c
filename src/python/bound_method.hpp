#pragma once
#include <Python.h>

#include <array>
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "core/errors.hpp"
#include "engine/horizon_events.hpp"
#include "python/arguments.hpp"
#include "python/bound_arguments.hpp"
#include "python/engine_object.hpp"
#include "python/interpreter_lock.hpp"
#include "python/python_errors.hpp"

// An Engine method declared once: its Python name, parameters (name and
// default), the Engine access it takes, whether the computation runs without
// the interpreter lock, and its docstring, the text signature written from
// the parameters. bind<function, METHOD, Types...>() makes the method's
// table entry: the call matches the arguments, enters the Engine access,
// converts each argument by its type (Parameter<T>) in the declared order,
// then the late ones, and calls `function` with the engine (or the Engine
// object, for a method that replaces the engine) and the values. A result
// std::expected has its error mapped and its value boxed by type (Returned<T>);
// a PyObject* is returned as it is (null with the error set). The Engine's
// constructor and open() convert their arguments the same way
// (with_arguments), from one declaration.
namespace orvane::python {

struct MethodParameter {
    const char* name = nullptr;
    Default fallback{};
};

// The signature of a function taking `parameters` (up to the first unnamed one).
constexpr Signature signature_of(const char* function, std::span<const MethodParameter> parameters) {
    Signature signature{function, {}, 0};
    for (std::size_t i = 0; i < parameters.size() && parameters[i].name != nullptr; ++i) {
        signature.names[i] = parameters[i].name;
        if (parameters[i].fallback.kind == Default::Kind::Required && signature.required == i) ++signature.required;
    }
    return signature;
}

// Held: the call keeps the interpreter lock (a long method may release it
// stretch by stretch itself); Released: the computation runs without it.
enum class Lock : std::uint8_t { Held, Released };

struct Method {
    const char* name;
    std::array<MethodParameter, MAX_PARAMETERS> parameters;
    AccessKind access;
    Lock lock;
    const char* doc;

    constexpr std::size_t count() const {
        std::size_t n = 0;
        while (n < MAX_PARAMETERS && parameters[n].name != nullptr) ++n;
        return n;
    }
    constexpr Signature signature() const { return signature_of(name, parameters); }
};

// An engine failure about one body, whose NAIF id the coverage errors carry.
struct BodyError {
    OrvaneError error;
    std::int32_t body;
};

// "name(a, b=None)\n--\n\n" followed by the docstring: the text signature
// Python shows, "$self, " first for a method.
std::string function_docstring(const char* name, std::span<const MethodParameter> parameters, bool method,
                               const char* doc);
inline std::string method_docstring(const Method& method) {
    return function_docstring(method.name, method.parameters, true, method.doc);
}

// The Python object of a result, by type; specialised beside the result types.
template <class T>
struct Returned;

template <>
struct Returned<double> {
    static PyObject* object(double value) { return PyFloat_FromDouble(value); }
};

template <>
struct Returned<std::string_view> {
    static PyObject* object(std::string_view text) {
        return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
    }
};

template <>
struct Returned<Instant> {
    static PyObject* object(const Instant& instant) { return new_instant(instant); }
};

// Result classes boxing their C++ value.
template <class T, PyTypeObject* ModuleClasses::*type>
struct ReturnedBoxed {
    static PyObject* object(const T& value) { return box(classes().*type, value); }
};

template <>
struct Returned<Position> : ReturnedBoxed<Position, &ModuleClasses::position> {};
template <>
struct Returned<RiseSetTransit> : ReturnedBoxed<RiseSetTransit, &ModuleClasses::rise_set_transit> {};
template <>
struct Returned<HorizonEvent> : ReturnedBoxed<HorizonEvent, &ModuleClasses::horizon_event> {};

template <class... T>
struct Returned<std::tuple<T...>> {
    static PyObject* object(const std::tuple<T...>& values) {
        return std::apply(
            [](const T&... value) -> PyObject* {
                PyObject* items[] = {Returned<T>::object(value)...};
                PyObject* tuple = nullptr;
                bool complete = true;
                for (PyObject* item : items) complete = complete && item != nullptr;
                if (complete) tuple = PyTuple_New(sizeof...(T));
                for (std::size_t i = 0; i < sizeof...(T); ++i) {
                    if (tuple != nullptr) {
                        PyTuple_SET_ITEM(tuple, static_cast<Py_ssize_t>(i), items[i]);
                    } else {
                        Py_XDECREF(items[i]);
                    }
                }
                return tuple;
            },
            values);
    }
};

template <class T>
struct Returned<std::vector<T>> {
    static PyObject* object(const std::vector<T>& values) {
        PyRef list(PyList_New(static_cast<Py_ssize_t>(values.size())));
        if (!list) return nullptr;
        for (std::size_t i = 0; i < values.size(); ++i) {
            PyObject* item = Returned<T>::object(values[i]);
            if (item == nullptr) return nullptr;
            PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
        }
        return list.release();
    }
};

inline PyObject* raise_error(const OrvaneError& error) { return map_orvane_error(error); }
inline PyObject* raise_error(const BodyError& error) { return map_orvane_error(error.error, error.body); }

template <class Result>
PyObject* result_object(Result&& result) {
    if constexpr (std::is_same_v<std::decay_t<Result>, PyObject*>) {
        return result;
    } else {
        if (!result) return raise_error(result.error());
        return Returned<typename std::decay_t<Result>::value_type>::object(*result);
    }
}

// Where a parameter's value is kept: in its stage for an AS_READ converter,
// else in a slot of its own that finish() fills.
template <class P>
using ValueSlot = std::conditional_t<AsRead<P>, std::monostate, std::optional<typename P::Value>>;

// Finishes parameter I in its pass (the last pass: FINISHED_LAST converters).
template <std::size_t I, bool last, class P, class Stages, class Values>
bool finish_parameter(Stages& stages, Values& values) {
    if constexpr (AsRead<P> || FinishedLast<P> != last) {
        return true;
    } else {
        std::get<I>(values) = P::finish(*std::get<I>(stages));
        return std::get<I>(values).has_value();
    }
}

template <std::size_t I, class P, class Stages, class Values>
typename P::Value& value_of(Stages& stages, Values& values) {
    if constexpr (AsRead<P>) {
        return *std::get<I>(stages);
    } else {
        return *std::get<I>(values);
    }
}

// Converts the matched arguments `given` by their types in the declared
// order (every read, then the finishes) and gives the values to `call`; null
// with the error set when a conversion fails.
template <const Method& method, class... Types, class Call, std::size_t... I>
PyObject* with_arguments(PyObject** given, Call&& call, std::index_sequence<I...>) {
    static constexpr Signature signature = method.signature();
    std::tuple<std::optional<typename Parameter<Types>::Stage>...> stages;
    const bool read = ((std::get<I>(stages) = Parameter<Types>::read(signature, I, given[I],
                                                                     method.parameters[I].fallback),
                        std::get<I>(stages).has_value()) &&
                       ...);
    if (!read) return nullptr;
    std::tuple<ValueSlot<Parameter<Types>>...> values;
    const bool finished = (finish_parameter<I, false, Parameter<Types>>(stages, values) && ...) &&
                          (finish_parameter<I, true, Parameter<Types>>(stages, values) && ...);
    if (!finished) return nullptr;
    return call(value_of<I, Parameter<Types>>(stages, values)...);
}

template <auto function, const Method& method, class... Types>
PyObject* bound_call(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static constexpr Signature signature = method.signature();
    PyObject* given[sizeof...(Types) + 1];
    if (!match_arguments(signature, args, nargs, kwnames, given)) return nullptr;
    auto access = EngineAccess::enter(self, method.access);
    if (!access) return nullptr;
    auto call = [&](typename Parameter<Types>::Value&... values) -> PyObject* {
        if constexpr (std::is_invocable_v<decltype(function), EngineObject&, typename Parameter<Types>::Value&...>) {
            return result_object(function(access->object(), values...));
        } else {
            SpkOrvane* engine = access->engine();
            if (engine == nullptr) return nullptr;
            if constexpr (method.lock == Lock::Released) {
                return result_object(without_interpreter_lock([&] { return function(*engine, values...); }));
            } else {
                return result_object(function(*engine, values...));
            }
        }
    };
    return with_arguments<method, Types...>(given, call, std::index_sequence_for<Types...>{});
}

// The method's table entry.
template <auto function, const Method& method, class... Types>
PyMethodDef bind() {
    static_assert(sizeof...(Types) == method.count(), "one type for each parameter");
    static const std::string doc = method_docstring(method);
    constexpr auto call = guarded<&bound_call<function, method, Types...>>;
    return {method.name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(call)),
            METH_FASTCALL | METH_KEYWORDS, doc.c_str()};
}

}  // namespace orvane::python
