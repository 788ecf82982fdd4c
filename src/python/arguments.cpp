#include "python/arguments.hpp"

#include <bit>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "python/py_ref.hpp"

namespace orvane::python {
namespace {

std::size_t parameter_index(const Signature& signature, PyObject* keyword) {
    const std::size_t count = signature.count();
    for (std::size_t index = 0; index < count; ++index) {
        if (PyUnicode_CompareWithASCIIString(keyword, signature.names[index]) == 0) return index;
    }
    return count;
}

const char* parameter_name(const Signature& signature, std::size_t index) {
    return signature.names[index];
}

bool set_keyword(const Signature& signature, PyObject* keyword, PyObject* value, std::size_t positional,
                 PyObject** out) {
    std::size_t index = parameter_index(signature, keyword);
    if (index == signature.count()) {
        PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'", signature.function, keyword);
        return false;
    }
    if (index < positional) {
        PyErr_Format(PyExc_TypeError, "argument for %s() given by name ('%s') and position (%zu)",
                     signature.function, parameter_name(signature, index), index + 1);
        return false;
    }
    out[index] = value;
    return true;
}

bool check_positional_count(const Signature& signature, Py_ssize_t nargs) {
    const std::size_t count = signature.count();
    if (static_cast<std::size_t>(nargs) <= count) return true;
    PyErr_Format(PyExc_TypeError, "%s() takes at most %zu argument%s (%zd given)", signature.function, count,
                 count == 1 ? "" : "s", nargs);
    return false;
}

bool check_required(const Signature& signature, PyObject** out) {
    for (std::size_t i = 0; i < signature.required; ++i) {
        if (out[i] == nullptr) {
            PyErr_Format(PyExc_TypeError, "%s() missing required argument '%s' (pos %zu)", signature.function,
                         parameter_name(signature, i), i + 1);
            return false;
        }
    }
    return true;
}

}  // namespace

bool match_arguments(const Signature& signature, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                     PyObject** out) {
    nargs = PyVectorcall_NARGS(nargs);
    for (std::size_t i = 0, count = signature.count(); i < count; ++i) out[i] = nullptr;
    if (!check_positional_count(signature, nargs)) return false;
    for (Py_ssize_t i = 0; i < nargs; ++i) out[i] = args[i];
    if (kwnames != nullptr) {
        Py_ssize_t count = PyTuple_GET_SIZE(kwnames);
        for (Py_ssize_t k = 0; k < count; ++k) {
            if (!set_keyword(signature, PyTuple_GET_ITEM(kwnames, k), args[nargs + k], nargs, out)) return false;
        }
    }
    return check_required(signature, out);
}

bool match_arguments(const Signature& signature, PyObject* args, PyObject* kwargs, PyObject** out) {
    Py_ssize_t nargs = PyTuple_GET_SIZE(args);
    for (std::size_t i = 0, count = signature.count(); i < count; ++i) out[i] = nullptr;
    if (!check_positional_count(signature, nargs)) return false;
    for (Py_ssize_t i = 0; i < nargs; ++i) out[i] = PyTuple_GET_ITEM(args, i);
    if (kwargs != nullptr) {
        PyObject* key;
        PyObject* value;
        Py_ssize_t position = 0;
        while (PyDict_Next(kwargs, &position, &key, &value)) {
            if (!set_keyword(signature, key, value, nargs, out)) return false;
        }
    }
    return check_required(signature, out);
}

const char* type_name(PyTypeObject* type) {
    const char* name = type->tp_name;
    const char* dot = std::strrchr(name, '.');
    return dot != nullptr ? dot + 1 : name;
}

const char* type_name(PyObject* object) { return type_name(Py_TYPE(object)); }

void raise_argument_type(const Signature& signature, std::size_t index, const char* expected, PyObject* given) {
    PyErr_Format(PyExc_TypeError, "%s() argument '%s' must be %s, not %s", signature.function,
                 parameter_name(signature, index), expected, type_name(given));
}

std::optional<std::string_view> str_argument(const Signature& signature, std::size_t index, PyObject* value) {
    if (!PyUnicode_Check(value)) {
        raise_argument_type(signature, index, "str", value);
        return std::nullopt;
    }
    return utf8_argument(signature, index, value);
}

namespace {

// The text of a str, or nullopt with the interpreter's error set; `encode_failure`
// turns a str that UTF-8 cannot encode into the ValueError.
template <class Failure>
std::optional<std::string_view> encoded(PyObject* str, Failure&& encode_failure) {
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(str, &size);
    if (text != nullptr) return std::string_view(text, static_cast<std::size_t>(size));
    if (PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) {
        PyErr_Clear();
        encode_failure();
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string_view> utf8_text(PyObject* str, const char* what) {
    return encoded(str, [&] { PyErr_Format(PyExc_ValueError, "%s must be encodable as UTF-8", what); });
}

std::optional<std::string_view> utf8_argument(const Signature& signature, std::size_t index, PyObject* str) {
    return encoded(str, [&] {
        PyErr_Format(PyExc_ValueError, "%s() argument '%s' must be encodable as UTF-8", signature.function,
                     parameter_name(signature, index));
    });
}

std::optional<std::string_view> path_argument(const Signature& signature, std::size_t index, PyObject* value,
                                              PyRef& holder) {
    if (PyUnicode_Check(value)) return str_argument(signature, index, value);
    holder = PyRef(PyOS_FSPath(value));
    if (!holder) {
        if (!PyErr_ExceptionMatches(PyExc_TypeError)) return std::nullopt;
        PyErr_Clear();
    }
    if (!holder || !PyUnicode_Check(holder.get())) {
        raise_argument_type(signature, index, "str", value);
        return std::nullopt;
    }
    return str_argument(signature, index, holder.get());
}

int read_body_argument(const Signature& signature, std::size_t index, PyObject* value, BodyArgument& out) {
    if (PyUnicode_Check(value)) {
        auto text = utf8_argument(signature, index, value);
        if (!text) return -1;
        out = BodyArgument{*text};
        return 1;
    }
    if (!PyLong_Check(value) || PyBool_Check(value)) return 0;
    int overflow = 0;
    long long id = PyLong_AsLongLongAndOverflow(value, &overflow);
    if (id == -1 && PyErr_Occurred()) return -1;
    out = BodyArgument{{}, id, false, overflow != 0};
    return 1;
}

std::optional<BodyArgument> body_argument(const Signature& signature, std::size_t index, PyObject* value) {
    BodyArgument body;
    const int read = read_body_argument(signature, index, value, body);
    if (read == 0) raise_argument_type(signature, index, "str or int", value);
    if (read != 1) return std::nullopt;
    return body;
}

std::optional<double> float_argument(const Signature& signature, std::size_t index, PyObject* value) {
    if (PyFloat_CheckExact(value)) return PyFloat_AS_DOUBLE(value);
    double result = PyFloat_AsDouble(value);
    if (result == -1.0 && PyErr_Occurred()) {
        if (PyErr_ExceptionMatches(PyExc_TypeError)) {
            PyErr_Clear();
            raise_argument_type(signature, index, "a real number", value);
        } else if (PyErr_ExceptionMatches(PyExc_OverflowError)) {
            PyErr_Clear();
            PyRef zero(PyLong_FromLong(0));
            if (!zero) return std::nullopt;
            int negative = PyObject_RichCompareBool(value, zero.get(), Py_LT);
            if (negative < 0) return std::nullopt;
            return negative ? -HUGE_VAL : HUGE_VAL;
        }
        return std::nullopt;
    }
    return result;
}

std::optional<bool> bool_argument(const Signature& signature, std::size_t index, PyObject* value) {
    if (PyBool_Check(value)) return value == Py_True;
    const char* name = Py_TYPE(value)->tp_name;
    if (std::strcmp(name, "numpy.bool") == 0 || std::strcmp(name, "numpy.bool_") == 0) {
        int truth = PyObject_IsTrue(value);
        if (truth < 0) return std::nullopt;
        return truth == 1;
    }
    raise_argument_type(signature, index, "bool", value);
    return std::nullopt;
}

bool instance_argument(const Signature& signature, std::size_t index, PyObject* value, PyTypeObject* type) {
    if (PyObject_TypeCheck(value, type)) return true;
    raise_argument_type(signature, index, type_name(type), value);
    return false;
}

std::optional<std::vector<double>> float64_buffer_argument(const Signature& signature, std::size_t index,
                                                           PyObject* value) {
    constexpr const char* EXPECTED = "a C-contiguous buffer of float64";
    Py_buffer view{};
    if (!PyObject_CheckBuffer(value) || PyObject_GetBuffer(value, &view, PyBUF_RECORDS_RO) != 0) {
        PyErr_Clear();
        raise_argument_type(signature, index, EXPECTED, value);
        return std::nullopt;
    }
    struct Release {
        Py_buffer* view;
        ~Release() { PyBuffer_Release(view); }
    } release{&view};
    const std::string_view f(view.format == nullptr ? "B" : view.format);
    const bool native_double =
        f == "d" || f == "@d" || f == "=d" || (f == (std::endian::native == std::endian::little ? "<d" : ">d"));
    if (!native_double || view.itemsize != sizeof(double) || !PyBuffer_IsContiguous(&view, 'C')) {
        raise_argument_type(signature, index, EXPECTED, value);
        return std::nullopt;
    }
    if (view.ndim != 1) {
        std::string shape = "(";
        for (int i = 0; i < view.ndim; ++i) {
            if (i > 0) shape += ", ";
            shape += std::to_string(view.shape[i]);
        }
        shape += ")";
        PyErr_Format(PyExc_TypeError, "%s() argument '%s' must be one-dimensional, not of shape %s",
                     signature.function, *(signature.names.begin() + index), shape.c_str());
        return std::nullopt;
    }
    try {
        std::vector<double> values(static_cast<std::size_t>(view.len) / sizeof(double));
        if (!values.empty()) std::memcpy(values.data(), view.buf, values.size() * sizeof(double));
        return values;
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
        return std::nullopt;
    }
}

}  // namespace orvane::python
