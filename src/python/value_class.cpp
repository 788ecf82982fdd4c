#include "python/value_class.hpp"

#include <vector>

namespace orvane::python {

PyTypeObject* create_class(const ClassDeclaration& declaration) {
    std::vector<PyType_Slot> slots;
    slots.push_back({Py_tp_doc, const_cast<char*>(declaration.doc)});
    slots.push_back({Py_tp_dealloc, reinterpret_cast<void*>(declaration.dealloc)});
    if (declaration.constructor != nullptr) slots.push_back({Py_tp_new, reinterpret_cast<void*>(declaration.constructor)});
    if (declaration.methods != nullptr) slots.push_back({Py_tp_methods, declaration.methods});
    if (declaration.properties != nullptr) slots.push_back({Py_tp_getset, declaration.properties});
    if (declaration.repr != nullptr) slots.push_back({Py_tp_repr, reinterpret_cast<void*>(declaration.repr)});
    slots.push_back({0, nullptr});

    unsigned int flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE;
    if (declaration.constructor == nullptr) flags |= Py_TPFLAGS_DISALLOW_INSTANTIATION;
    PyType_Spec spec{declaration.name, static_cast<int>(declaration.basic_size), 0, flags, slots.data()};
    return reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&spec));
}

}  // namespace orvane::python
