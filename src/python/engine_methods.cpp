#include "python/engine_methods.hpp"

namespace orvane::python {

PyMethodDef ENGINE_METHODS[] = {
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace orvane::python
