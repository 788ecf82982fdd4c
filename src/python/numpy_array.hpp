#pragma once
#include <Python.h>

#include <array>
#include <memory>
#include <new>
#include <utility>
#include <vector>

// NumPy arrays over buffers the module allocated, without a copy. NumPy's C
// interface is located on the first call, so importing orvane never imports
// NumPy.
namespace orvane::python {

// An allocator that leaves the elements of a growing vector unwritten
// (default-initialised): the memory of a result every element of which is
// written before it is read, so that no thread spends the time of filling it
// with zeros first and its pages are first touched by the threads that write
// them.
template <class T>
struct UnwrittenAllocator : std::allocator<T> {
    UnwrittenAllocator() = default;
    template <class U>
    UnwrittenAllocator(const UnwrittenAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <class U, class... Arguments>
    void construct(U* place, Arguments&&... arguments) {
        ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
    }
};

// The values of a batch array, left unwritten when the vector grows.
using ArrayValues = std::vector<double, UnwrittenAllocator<double>>;

// A new writeable, C-contiguous float64 array of the given shape whose memory
// is `values`; its base is a holder object that owns the buffer. Raises
// TypeError "batch array shape error: ..." when the counts disagree.
PyObject* float64_array(std::vector<double>&& values, const std::array<Py_ssize_t, 3>& shape);
PyObject* float64_array(ArrayValues&& values, const std::array<Py_ssize_t, 3>& shape);

// The holder classes; created at the first import with the others.
bool create_array_buffer_class();

}  // namespace orvane::python
