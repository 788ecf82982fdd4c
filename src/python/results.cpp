// Result classes: immutable values that Python cannot instantiate.
#include "core/text/text_forms.hpp"
#include "python/classes.hpp"
#include "python/convert.hpp"
#include "python/py_ref.hpp"
#include "python/python_errors.hpp"
#include "python/value_class.hpp"

namespace orvane::python {
namespace {

// Position

PyObject* position_repr(PyObject* self) {
    const Position& p = unbox<Position>(self);
    std::string text = "Position(longitude_deg=" + plain_float(p.longitude_deg) +
                       ", latitude_deg=" + plain_float(p.latitude_deg) + ", distance_au=" + plain_float(p.distance_au) +
                       ", longitude_speed_deg_per_day=" + plain_float(p.longitude_speed_deg_per_day) + ")";
    return str_object(text);
}

PyGetSetDef POSITION_PROPERTIES[] = {
    {"longitude_deg", float_property<Position, &Position::longitude_deg>, nullptr, nullptr, nullptr},
    {"latitude_deg", float_property<Position, &Position::latitude_deg>, nullptr, nullptr, nullptr},
    {"distance_au", float_property<Position, &Position::distance_au>, nullptr, nullptr, nullptr},
    {"longitude_speed_deg_per_day", float_property<Position, &Position::longitude_speed_deg_per_day>, nullptr,
     nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

// DateRange

PyObject* date_range_time_scale(PyObject* self, void*) {
    return str_object(canonical_name(unbox<DateRange>(self).time_scale));
}

PyObject* date_range_repr(PyObject* self) {
    const DateRange& range = unbox<DateRange>(self);
    std::string text = "DateRange(start_julian_day=" + plain_float(range.start_julian_day) +
                       ", end_julian_day=" + plain_float(range.end_julian_day) +
                       ", time_scale=" + quoted(canonical_name(range.time_scale)) + ")";
    return str_object(text);
}

PyGetSetDef DATE_RANGE_PROPERTIES[] = {
    {"start_julian_day", float_property<DateRange, &DateRange::start_julian_day>, nullptr, nullptr, nullptr},
    {"end_julian_day", float_property<DateRange, &DateRange::end_julian_day>, nullptr, nullptr, nullptr},
    {"time_scale", date_range_time_scale, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

// KernelMetadata

PyObject* provenance_list(const std::vector<KernelProvenance>& kernels) {
    PyRef list(PyList_New(static_cast<Py_ssize_t>(kernels.size())));
    if (!list) return nullptr;
    Py_ssize_t index = 0;
    for (const KernelProvenance& kernel : kernels) {
        PyObject* pair = Py_BuildValue("(s#s#)", kernel.kernel_name.data(),
                                       static_cast<Py_ssize_t>(kernel.kernel_name.size()), kernel.kernel_sha256.data(),
                                       static_cast<Py_ssize_t>(kernel.kernel_sha256.size()));
        if (pair == nullptr) return nullptr;
        PyList_SET_ITEM(list.get(), index++, pair);
    }
    return list.release();
}

PyObject* additional_kernels_list(const OrvaneMetadata& metadata) { return provenance_list(metadata.additional_kernels); }

PyObject* kernel_metadata_time_model_files(PyObject* self, PyObject*) {
    return provenance_list(unbox<OrvaneMetadata>(self).time_model_files);
}

PyObject* kernel_metadata_additional_kernels(PyObject* self, PyObject*) {
    return additional_kernels_list(unbox<OrvaneMetadata>(self));
}

PyObject* kernel_metadata_as_dict(PyObject* self, PyObject*) {
    const OrvaneMetadata& metadata = unbox<OrvaneMetadata>(self);
    PyRef dict(PyDict_New());
    if (!dict) return nullptr;
    const std::pair<const char*, const std::string*> fields[] = {
        {"engine_version", &metadata.engine_version},
        {"kernel_name", &metadata.kernel_name},
        {"kernel_sha256", &metadata.kernel_sha256},
        {"coordinate_frame", &metadata.coordinate_frame},
    };
    for (const auto& [key, value] : fields) {
        PyRef text(str_object(*value));
        if (!text || PyDict_SetItemString(dict.get(), key, text.get()) < 0) return nullptr;
    }
    PyRef kernels(additional_kernels_list(metadata));
    if (!kernels || PyDict_SetItemString(dict.get(), "additional_kernels", kernels.get()) < 0) return nullptr;
    return dict.release();
}

PyObject* kernel_metadata_repr(PyObject* self) {
    const OrvaneMetadata& metadata = unbox<OrvaneMetadata>(self);
    return str_object("KernelMetadata(kernel_name=" + quoted(metadata.kernel_name) +
                      ", kernel_sha256=" + quoted(metadata.kernel_sha256) + ")");
}

PyGetSetDef KERNEL_METADATA_PROPERTIES[] = {
    {"engine_version", str_property<OrvaneMetadata, &OrvaneMetadata::engine_version>, nullptr, nullptr, nullptr},
    {"kernel_name", str_property<OrvaneMetadata, &OrvaneMetadata::kernel_name>, nullptr, nullptr, nullptr},
    {"kernel_sha256", str_property<OrvaneMetadata, &OrvaneMetadata::kernel_sha256>, nullptr, nullptr, nullptr},
    {"coordinate_frame", str_property<OrvaneMetadata, &OrvaneMetadata::coordinate_frame>, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef KERNEL_METADATA_METHODS[] = {
    {"additional_kernels", guarded<kernel_metadata_additional_kernels>, METH_NOARGS, "additional_kernels($self)\n--\n\n"},
    {"as_dict", guarded<kernel_metadata_as_dict>, METH_NOARGS, "as_dict($self)\n--\n\n"},
    {"time_model_files", guarded<kernel_metadata_time_model_files>, METH_NOARGS, "time_model_files($self)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

PyTypeObject* create_position_class() {
    return create_boxed_class<Position>("orvane.Position", "Spherical position returned by a scalar request.",
                                        {.properties = POSITION_PROPERTIES, .repr = guarded<position_repr>});
}

PyTypeObject* create_date_range_class() {
    return create_boxed_class<DateRange>("orvane.DateRange", "Inclusive kernel coverage in the declared time scale.",
                                         {.properties = DATE_RANGE_PROPERTIES, .repr = guarded<date_range_repr>});
}

PyTypeObject* create_kernel_metadata_class() {
    return create_boxed_class<OrvaneMetadata>("orvane.KernelMetadata",
                                              "Provenance recorded when the kernel was opened.",
                                              {.methods = KERNEL_METADATA_METHODS,
                                               .properties = KERNEL_METADATA_PROPERTIES,
                                               .repr = guarded<kernel_metadata_repr>});
}

PyObject* new_position(const Position& position) { return box(classes().position, position); }
PyObject* new_date_range(const DateRange& range) { return box(classes().date_range, range); }
PyObject* new_kernel_metadata(const OrvaneMetadata& metadata) { return box(classes().kernel_metadata, metadata); }

}  // namespace orvane::python
