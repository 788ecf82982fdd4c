#include "python/python_errors.hpp"

#include "python/py_ref.hpp"

namespace orvane::python {

PyObject* value_error(std::string_view message) {
    PyRef text(PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size())));
    if (text) PyErr_SetObject(PyExc_ValueError, text.get());
    return nullptr;
}

PyObject* map_orvane_error(const OrvaneError& error) { return value_error(error.message()); }

}  // namespace orvane::python
