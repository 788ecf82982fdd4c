#include "python/numpy_array.hpp"

#include <cstdint>
#include <cstdlib>
#include <type_traits>

#include "python/py_ref.hpp"
#include "python/value_class.hpp"

namespace orvane::python {
namespace {

// Positions in NumPy's table of C functions, stable across NumPy 1 and 2.
constexpr std::size_t ABI_VERSION_SLOT = 0;
constexpr std::size_t ARRAY_TYPE_SLOT = 2;
constexpr std::size_t ARRAY_NEW_SLOT = 93;
constexpr std::size_t SET_BASE_OBJECT_SLOT = 282;
constexpr int NPY_DOUBLE = 12;
constexpr int NPY_ARRAY_WRITEABLE = 0x0400;

using ArrayNew = PyObject* (*)(PyTypeObject*, int, const Py_ssize_t*, int, const Py_ssize_t*, void*, int, int,
                               PyObject*);
using SetBaseObject = int (*)(PyObject*, PyObject*);

void** numpy_api = nullptr;
PyTypeObject* buffer_class = nullptr;            // holds a std::vector<double>
PyTypeObject* unwritten_buffer_class = nullptr;  // holds ArrayValues

// NumPy's table of C functions, from numpy._core.multiarray (NumPy 2) or
// numpy.core.multiarray (NumPy 1); kept for the life of the process.
void** locate_numpy() {
    if (numpy_api != nullptr) return numpy_api;
    PyRef numpy(PyImport_ImportModule("numpy"));
    if (!numpy) return nullptr;
    PyRef version(PyObject_GetAttrString(numpy.get(), "__version__"));
    if (!version) return nullptr;
    const char* text = PyUnicode_AsUTF8(version.get());
    if (text == nullptr) return nullptr;
    const char* module_name = std::atoi(text) >= 2 ? "numpy._core.multiarray" : "numpy.core.multiarray";
    PyRef multiarray(PyImport_ImportModule(module_name));
    if (!multiarray) return nullptr;
    PyRef capsule(PyObject_GetAttrString(multiarray.get(), "_ARRAY_API"));
    if (!capsule) return nullptr;
    if (!PyCapsule_CheckExact(capsule.get())) {
        PyErr_SetString(PyExc_RuntimeError, "numpy's _ARRAY_API is not a capsule");
        return nullptr;
    }
    auto api = static_cast<void**>(PyCapsule_GetPointer(capsule.get(), nullptr));
    if (api == nullptr) return nullptr;
    // The table layout used here is the one of NumPy's C ABI versions 1 and 2.
    auto abi_version = reinterpret_cast<unsigned int (*)()>(api[ABI_VERSION_SLOT])();
    unsigned int abi_major = abi_version >> 24;
    if (abi_major != 1 && abi_major != 2) {
        PyErr_Format(PyExc_ImportError, "numpy C ABI version 0x%x is not supported", abi_version);
        return nullptr;
    }
    numpy_api = api;
    return numpy_api;
}

}  // namespace

bool create_array_buffer_class() {
    if (buffer_class == nullptr) {
        buffer_class = create_class(boxed_class<std::vector<double>>("orvane._ArrayBuffer", "Memory of a batch array."));
    }
    if (unwritten_buffer_class == nullptr) {
        unwritten_buffer_class =
            create_class(boxed_class<ArrayValues>("orvane._ArrayValues", "Memory of a batch array."));
    }
    return buffer_class != nullptr && unwritten_buffer_class != nullptr;
}

namespace {

// The array over `values`, moved into a holder of the class `holder_class`.
template <class Values>
PyObject* array_over(PyTypeObject* holder_class, Values&& values, const std::array<Py_ssize_t, 3>& shape) {
    std::uint64_t expected = 1;
    bool overflow = false;
    for (Py_ssize_t extent : shape) overflow |= __builtin_mul_overflow(expected, std::uint64_t(extent), &expected);
    if (overflow || expected != values.size()) {
        PyErr_SetString(PyExc_TypeError, "batch array shape error: ShapeError/IncompatibleShape: incompatible shapes");
        return nullptr;
    }
    void** api = locate_numpy();
    if (api == nullptr) return nullptr;
    if (values.capacity() == 0) values.reserve(1);  // NumPy allocates its own memory for a null pointer
    PyRef holder(box(holder_class, std::move(values)));
    if (!holder) return nullptr;
    auto& buffer = unbox<std::remove_cvref_t<Values>>(holder.get());
    const Py_ssize_t strides[3] = {shape[1] * shape[2] * Py_ssize_t(sizeof(double)),
                                   shape[2] * Py_ssize_t(sizeof(double)), Py_ssize_t(sizeof(double))};
    auto array_new = reinterpret_cast<ArrayNew>(api[ARRAY_NEW_SLOT]);
    auto array_type = static_cast<PyTypeObject*>(api[ARRAY_TYPE_SLOT]);
    PyRef array(array_new(array_type, 3, shape.data(), NPY_DOUBLE, strides, buffer.data(), 0, NPY_ARRAY_WRITEABLE,
                          nullptr));
    if (!array) return nullptr;
    auto set_base = reinterpret_cast<SetBaseObject>(api[SET_BASE_OBJECT_SLOT]);
    if (set_base(array.get(), holder.release()) < 0) return nullptr;
    return array.release();
}

}  // namespace

PyObject* float64_array(std::vector<double>&& values, const std::array<Py_ssize_t, 3>& shape) {
    return array_over(buffer_class, std::move(values), shape);
}

PyObject* float64_array(ArrayValues&& values, const std::array<Py_ssize_t, 3>& shape) {
    return array_over(unwritten_buffer_class, std::move(values), shape);
}

}  // namespace orvane::python
