#include "python/python_errors.hpp"

#include <initializer_list>
#include <utility>
#include <vector>

#include "python/classes.hpp"
#include "python/py_ref.hpp"

namespace orvane::python {

namespace {

PyTypeObject* new_error_class(const char* name, const char* doc) {
    return reinterpret_cast<PyTypeObject*>(
        PyErr_NewExceptionWithDoc(name, doc, PyExc_ValueError, nullptr));
}

// Raises `type(text)` with the attributes set; returns nullptr.
PyObject* raise_with(PyTypeObject* type, std::string_view text,
                     std::initializer_list<std::pair<const char*, PyObject*>> attributes) {
    PyObject* error_class = type != nullptr ? reinterpret_cast<PyObject*>(type) : PyExc_ValueError;
    std::vector<PyRef> values;
    for (const auto& attribute : attributes) values.emplace_back(attribute.second);
    PyRef message(PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
    if (!message) return nullptr;
    PyRef instance(PyObject_CallOneArg(error_class, message.get()));
    if (!instance) return nullptr;
    std::size_t i = 0;
    for (const auto& attribute : attributes) {
        if (!values[i] || PyObject_SetAttrString(instance.get(), attribute.first, values[i].get()) < 0) {
            return nullptr;
        }
        ++i;
    }
    PyErr_SetObject(error_class, instance.get());
    return nullptr;
}

}  // namespace

PyTypeObject* create_outside_coverage_error() {
    return new_error_class("orvane.OutsideCoverageError",
                           "An instant outside the range the engine's kernels cover.\n\n"
                           "Attributes: julian_day (the instant as given), start and end (the covered range), "
                           "scale (the range's time scale, such as \"tdb\"), body (the NAIF id of the body asked for, "
                           "or None when the request was not about one body).");
}

PyTypeObject* create_outside_eop_coverage_error() {
    return new_error_class("orvane.OutsideEopCoverageError",
                           "An instant whose UTC day lies outside the Earth-orientation table (UT1 and polar "
                           "motion).\n\n"
                           "Attributes: julian_day (the UTC Julian day), start and end (the first and last UTC "
                           "Julian days of the table), body (the NAIF id of the body asked for, or None).");
}

PyTypeObject* create_undefined_house_cusps_error() {
    return new_error_class("orvane.UndefinedHouseCuspsError",
                           "A house system without cusps at the observer's latitude (Placidus or Koch in polar "
                           "regions, for example).");
}

PyTypeObject* create_file_error() {
    return new_error_class("orvane.FileError",
                           "A file that cannot be used: missing, unreadable, misnamed or malformed.\n\n"
                           "Attributes: path (the path as given) and role (what the file was to be: \"kernel\", "
                           "\"additional_kernel\", \"leap_second_kernel\", \"eop\", \"delta_t\", "
                           "\"early_utc\" or \"star_catalogue\").");
}

PyObject* value_error(std::string_view message) {
    PyRef text(PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size())));
    if (text) PyErr_SetObject(PyExc_ValueError, text.get());
    return nullptr;
}

PyObject* file_error(std::string_view text, std::string_view path, std::string_view role) {
    return raise_with(classes().file_error, text,
                      {{"path", PyUnicode_FromStringAndSize(path.data(), static_cast<Py_ssize_t>(path.size()))},
                       {"role", PyUnicode_FromStringAndSize(role.data(), static_cast<Py_ssize_t>(role.size()))}});
}

PyObject* map_orvane_error(const OrvaneError& error, std::optional<std::int32_t> body) {
    const std::string text = error.message();
    auto body_object = [&]() -> PyObject* {
        if (body) return PyLong_FromLong(*body);
        return Py_NewRef(Py_None);
    };
    switch (error.subject) {
        case OrvaneError::Subject::OutsideEopCoverage:
            return raise_with(classes().outside_eop_coverage_error, text,
                              {{"julian_day", PyFloat_FromDouble(error.julian_day)},
                               {"start", PyFloat_FromDouble(error.start)},
                               {"end", PyFloat_FromDouble(error.end)},
                               {"body", body_object()}});
        case OrvaneError::Subject::UndefinedHouseCusps:
            return raise_with(classes().undefined_house_cusps_error, text, {});
        case OrvaneError::Subject::None: break;
    }
    if (error.kind == OrvaneError::Kind::OutOfRange) {
        std::string scale(name(error.scale));  // "Tdb" -> "tdb", as the scales are spelled in Python
        for (char& c : scale) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return raise_with(classes().outside_coverage_error, text,
                          {{"julian_day", PyFloat_FromDouble(error.julian_day)},
                           {"start", PyFloat_FromDouble(error.start)},
                           {"end", PyFloat_FromDouble(error.end)},
                           {"scale", PyUnicode_FromStringAndSize(scale.data(), static_cast<Py_ssize_t>(scale.size()))},
                           {"body", body_object()}});
    }
    return value_error(text);
}

PyObject* map_coordinate_error(CoordinateError error) {
    if (error == CoordinateError::UndefinedHouseCusps) {
        return raise_with(classes().undefined_house_cusps_error, message(error), {});
    }
    return value_error(message(error));
}

}  // namespace orvane::python
