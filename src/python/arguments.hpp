#pragma once
#include <Python.h>

#include "python/convert.hpp"

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "python/py_ref.hpp"

// Matching of Python call arguments to a fixed parameter list, and the
// converters of single arguments. Every failure sets a Python exception and
// returns false / nullopt; the TypeError texts name the function and parameter.
namespace orvane::python {

inline constexpr std::size_t MAX_PARAMETERS = 12;

struct Signature {
    const char* function;                               // name shown in argument errors
    std::array<const char*, MAX_PARAMETERS> names;      // parameters in order, then null
    std::size_t required;                               // how many leading parameters are required

    constexpr std::size_t count() const {
        std::size_t n = 0;
        while (n < MAX_PARAMETERS && names[n] != nullptr) ++n;
        return n;
    }
};

// Fills out[i] with a borrowed reference to the argument of parameter i, or
// nullptr when it was not given. Vectorcall form.
bool match_arguments(const Signature& signature, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                     PyObject** out);

// The same for a tuple and dict, as tp_new receives them.
bool match_arguments(const Signature& signature, PyObject* args, PyObject* kwargs, PyObject** out);

// The name Python shows for a type or an object's type ("PosixPath", "Instant").
const char* type_name(PyTypeObject* type);
const char* type_name(PyObject* object);

// Raises "<function>() argument '<parameter>' must be <expected>, not <type>".
void raise_argument_type(const Signature& signature, std::size_t index, const char* expected, PyObject* given);

// A str argument as UTF-8 (str subclasses included).
std::optional<std::string_view> str_argument(const Signature& signature, std::size_t index, PyObject* value);

// A path argument: a str, or an os.PathLike whose __fspath__ gives a str (held
// in holder, which must outlive the view). Anything else, a bytes path
// included, fails as str_argument does.
std::optional<std::string_view> path_argument(const Signature& signature, std::size_t index, PyObject* value,
                                              PyRef& holder);

// A body argument: a str (a name or a NAIF id in decimal) or an int (a NAIF
// id; bool refused). Parsed later with parse_body_argument, in the request's
// order of checks. The text is the str's own UTF-8: valid while the str lives.
struct BodyArgument {
    std::string_view text;  // the str given, when is_text
    long long id = 0;
    bool is_text = true;
    bool overflowed = false;  // an int beyond 64 bits
};
// Reads `value` into `out`: 1 when read, 0 when it is neither a str nor an
// int, -1 when an error was raised (a str UTF-8 cannot encode).
int read_body_argument(const Signature& signature, std::size_t index, PyObject* value, BodyArgument& out);
std::optional<BodyArgument> body_argument(const Signature& signature, std::size_t index, PyObject* value);
inline std::expected<std::int32_t, std::string> parse_body_argument(const BodyArgument& body) {
    return body.is_text ? parse_body_id(body.text) : body_id_from_integer(body.id, body.overflowed);
}

// The UTF-8 text of a str. A str that UTF-8 cannot encode (one with a lone
// surrogate) raises ValueError "<what> must be encodable as UTF-8".
std::optional<std::string_view> utf8_text(PyObject* str, const char* what);
// The same, naming the parameter as "<function>() argument '<parameter>'".
std::optional<std::string_view> utf8_argument(const Signature& signature, std::size_t index, PyObject* str);

// A float argument: float, int, or anything with __float__ or __index__. A
// number beyond the range of a float (an int such as 10**400) is the infinity
// of its sign, which the finiteness checks then refuse.
std::optional<double> float_argument(const Signature& signature, std::size_t index, PyObject* value);

// A bool argument: Python bool or a NumPy boolean scalar; ints are refused.
std::optional<bool> bool_argument(const Signature& signature, std::size_t index, PyObject* value);

// An instance of one of our classes.
bool instance_argument(const Signature& signature, std::size_t index, PyObject* value, PyTypeObject* type);

// Absent or None.
inline bool is_absent(PyObject* value) { return value == nullptr || value == Py_None; }

// A sequence (not a str) whose items are all accepted by `item`, in order.
// `item` returns 1 for an accepted item, 0 for one of the wrong type (the
// TypeError "must be <expected>" then names the sequence) and -1 when it has
// raised an error of its own.
template <class Item>
bool sequence_argument(const Signature& signature, std::size_t index, PyObject* value, const char* expected,
                       Item&& item) {
    if (PyUnicode_Check(value) || !PySequence_Check(value)) {
        raise_argument_type(signature, index, expected, value);
        return false;
    }
    PyRef items(PySequence_Fast(value, "expected a sequence"));
    if (!items) return false;
    const Py_ssize_t size = PySequence_Fast_GET_SIZE(items.get());
    PyObject** elements = PySequence_Fast_ITEMS(items.get());
    for (Py_ssize_t i = 0; i < size; ++i) {
        const int accepted = item(elements[i]);
        if (accepted == 0) raise_argument_type(signature, index, expected, value);
        if (accepted != 1) return false;
    }
    return true;
}

// The values of a one-dimensional, C-contiguous buffer of native float64,
// copied out while the interpreter lock is held: the copy is aligned whatever
// the buffer's alignment, and stays as it was read while the lock is released.
// TypeError for another buffer or object ("must be one-dimensional, not of
// shape (2, 3)" for more dimensions), MemoryError when the copy does not fit.
std::optional<std::vector<double>> float64_buffer_argument(const Signature& signature, std::size_t index,
                                                           PyObject* value);

}  // namespace orvane::python
