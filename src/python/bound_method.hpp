#pragma once
#include <Python.h>

#include <array>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/errors.hpp"
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
// a PyObject* is returned as it is (null with the error set).
namespace orvane::python {

struct MethodParameter {
    const char* name = nullptr;
    Default fallback{};
};

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
    constexpr Signature signature() const {
        Signature signature{name, {}, 0};
        for (std::size_t i = 0; i < count(); ++i) {
            signature.names[i] = parameters[i].name;
            if (parameters[i].fallback.kind == Default::Kind::Required && signature.required == i) ++signature.required;
        }
        return signature;
    }
};

// An engine failure about one body, whose NAIF id the coverage errors carry.
struct BodyError {
    OrvaneError error;
    std::int32_t body;
};

// "name($self, a, b=None)\n--\n\n" followed by the docstring.
std::string method_docstring(const Method& method);

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

template <auto function, const Method& method, class... Types, std::size_t... I>
PyObject* convert_and_call(EngineAccess& access, PyObject** given, std::index_sequence<I...>) {
    static constexpr Signature signature = method.signature();
    std::tuple<std::optional<typename Parameter<Types>::Stage>...> stages;
    const bool read = ((std::get<I>(stages) = Parameter<Types>::read(signature, I, given[I],
                                                                     method.parameters[I].fallback),
                        std::get<I>(stages).has_value()) &&
                       ...);
    if (!read) return nullptr;
    std::tuple<std::optional<typename Parameter<Types>::Value>...> values;
    const bool finished =
        ((std::get<I>(values) = Parameter<Types>::finish(*std::get<I>(stages)), std::get<I>(values).has_value()) &&
         ...);
    if (!finished) return nullptr;
    if constexpr (std::is_invocable_v<decltype(function), EngineObject&, typename Parameter<Types>::Value&...>) {
        return result_object(function(access.object(), *std::get<I>(values)...));
    } else {
        SpkOrvane* engine = access.engine();
        if (engine == nullptr) return nullptr;
        if constexpr (method.lock == Lock::Released) {
            return result_object(without_interpreter_lock([&] { return function(*engine, *std::get<I>(values)...); }));
        } else {
            return result_object(function(*engine, *std::get<I>(values)...));
        }
    }
}

template <auto function, const Method& method, class... Types>
PyObject* bound_call(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static constexpr Signature signature = method.signature();
    PyObject* given[sizeof...(Types) + 1];
    if (!match_arguments(signature, args, nargs, kwnames, given)) return nullptr;
    auto access = EngineAccess::enter(self, method.access);
    if (!access) return nullptr;
    return convert_and_call<function, method, Types...>(*access, given, std::index_sequence_for<Types...>{});
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
