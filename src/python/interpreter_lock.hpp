#pragma once
#include <Python.h>

// Long computations run without the interpreter lock, so that other threads
// run Python meanwhile. The Engine stays claimed by its own thread for the
// call (EngineAccess), so no other thread reaches it; nothing the computation
// touches belongs to the interpreter.
namespace orvane::python {

// The result of compute(), called with the interpreter lock released; the lock
// is taken back however compute() ends.
template <class Compute>
auto without_interpreter_lock(Compute&& compute) {
    struct Released {
        PyThreadState* state = PyEval_SaveThread();
        ~Released() { PyEval_RestoreThread(state); }
    } released;
    return compute();
}

}  // namespace orvane::python
