#pragma once
#include <Python.h>

#include <new>
#include <string>
#include <utility>

// Declaring a Python class: a C++ value boxed in a Python object, properties
// and methods listed in arrays, and one call that makes the heap type.
namespace orvane::python {

template <class T>
struct Boxed {
    PyObject_HEAD
    T value;
};

template <class T>
T& unbox(PyObject* self) {
    return reinterpret_cast<Boxed<T>*>(self)->value;
}

// A new instance of `type` holding `value`; null with an exception on failure.
template <class T>
PyObject* box(PyTypeObject* type, T value) {
    PyObject* self = type->tp_alloc(type, 0);
    if (self == nullptr) return nullptr;
    new (&unbox<T>(self)) T(std::move(value));
    return self;
}

template <class T>
void dealloc_boxed(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    unbox<T>(self).~T();
    type->tp_free(self);
    Py_DECREF(type);
}

struct ClassDeclaration {
    const char* name;              // qualified, "orvane.Instant"
    const char* doc;               // "Name(signature)\n--\n\nbody", or the body alone
    Py_ssize_t basic_size;
    destructor dealloc;
    newfunc constructor = nullptr;  // nullptr: Python cannot create instances
    PyMethodDef* methods = nullptr;     // terminated by a zeroed entry
    PyGetSetDef* properties = nullptr;  // terminated by a zeroed entry
    reprfunc repr = nullptr;
};

// Creates the immutable heap type; null with an exception on failure.
PyTypeObject* create_class(const ClassDeclaration& declaration);

template <class T>
ClassDeclaration boxed_class(const char* name, const char* doc) {
    return ClassDeclaration{name, doc, static_cast<Py_ssize_t>(sizeof(Boxed<T>)), &dealloc_boxed<T>};
}

// What a class of boxed values has beyond its name and docstring.
struct ClassParts {
    newfunc constructor = nullptr;  // nullptr: Python cannot create instances
    PyMethodDef* methods = nullptr;
    PyGetSetDef* properties = nullptr;
    reprfunc repr = nullptr;
};

// The class of boxed T values; null with an exception on failure.
template <class T>
PyTypeObject* create_boxed_class(const char* name, const char* doc, const ClassParts& parts) {
    ClassDeclaration declaration = boxed_class<T>(name, doc);
    declaration.constructor = parts.constructor;
    declaration.methods = parts.methods;
    declaration.properties = parts.properties;
    declaration.repr = parts.repr;
    return create_class(declaration);
}

// Getter of a double field of a boxed value.
template <class T, double T::*field>
PyObject* float_property(PyObject* self, void*) {
    return PyFloat_FromDouble(unbox<T>(self).*field);
}

// Getter of a std::string field of a boxed value.
template <class T, std::string T::*field>
PyObject* str_property(PyObject* self, void*) {
    const std::string& text = unbox<T>(self).*field;
    return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}

inline PyObject* str_object(std::string_view text) {
    return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}

}  // namespace orvane::python
