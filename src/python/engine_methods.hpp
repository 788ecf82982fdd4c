#pragma once
#include <Python.h>

#include <optional>
#include <string_view>

#include "spk/engine.hpp"

// The Engine's request methods, declared here and listed once in ENGINE_METHODS.
namespace orvane::python {

extern PyMethodDef ENGINE_METHODS[];

// The constructor's optional time-kernel arguments, handled after the primary
// kernel opened: the leap-second pair, then the Earth-orientation pair. Null
// with ValueError set on failure.
std::optional<SpkOrvane> attach_constructor_time_kernels(SpkOrvane engine,
                                                         std::optional<std::string_view> leap_second_kernel,
                                                         std::optional<std::string_view> leap_second_sha256,
                                                         std::optional<std::string_view> eop,
                                                         std::optional<std::string_view> eop_sha256);

}  // namespace orvane::python
