#pragma once
#include <Python.h>

#include <array>
#include <vector>

// NumPy arrays over buffers the module allocated, without a copy. NumPy's C
// interface is located on the first call, so importing orvane never imports
// NumPy.
namespace orvane::python {

// A new writeable, C-contiguous float64 array of the given shape whose memory
// is `values`; its base is a holder object that owns the buffer. Raises
// TypeError "batch array shape error: ..." when the counts disagree.
PyObject* float64_array(std::vector<double>&& values, const std::array<Py_ssize_t, 3>& shape);

// The holder class; created at the first import with the others.
bool create_array_buffer_class();

}  // namespace orvane::python
