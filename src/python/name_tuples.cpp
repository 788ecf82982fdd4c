// The module's tuples of names, read from the vocabulary tables: what a
// request may name, in the tables' order, for callers that list or check
// names without trying them.
#include "python/name_tuples.hpp"

#include <string_view>
#include <vector>

#include "engine/search/event_table.hpp"
#include "python/name_tables.hpp"
#include "python/py_ref.hpp"

namespace orvane::python {
namespace {

PyObject* tuple_of(const std::vector<std::string_view>& names) {
    PyRef tuple(PyTuple_New(static_cast<Py_ssize_t>(names.size())));
    if (!tuple) return nullptr;
    for (std::size_t i = 0; i < names.size(); ++i) {
        PyObject* text = PyUnicode_FromStringAndSize(names[i].data(), static_cast<Py_ssize_t>(names[i].size()));
        if (text == nullptr) return nullptr;
        PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(i), text);
    }
    return tuple.release();
}

template <const auto& ROWS>
PyObject* row_names() {
    std::vector<std::string_view> names;
    for (const auto& row : ROWS) names.push_back(row.name);
    return tuple_of(names);
}

PyObject* event_kinds() { return tuple_of(event_kind_names()); }

}  // namespace

const std::array<NameTuple, 8> NAME_TUPLES{{
    {"BODIES", row_names<BODY_ROWS>},
    {"SMALL_BODIES", row_names<SMALL_BODY_ROWS>},
    {"TIME_SCALES", row_names<TIME_SCALE_ROWS>},
    {"ORIGINS", row_names<ORIGIN_ROWS>},
    {"COORDINATE_SYSTEMS", row_names<COORDINATE_SYSTEM_ROWS>},
    {"REFERENCE_EPOCHS", row_names<REFERENCE_EPOCH_ROWS>},
    {"EVENT_KINDS", event_kinds},
    {"SHADOW_RULES", row_names<SHADOW_RULE_ROWS>},
}};

}  // namespace orvane::python
