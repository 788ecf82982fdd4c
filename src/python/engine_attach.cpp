// Attaching time kernels and further SPK kernels to an Engine.
#include "python/engine_methods.hpp"
#include "python/python_errors.hpp"

namespace orvane::python {

std::optional<SpkOrvane> attach_constructor_time_kernels(SpkOrvane engine,
                                                         std::optional<std::string_view> leap_second_kernel,
                                                         std::optional<std::string_view> leap_second_sha256,
                                                         std::optional<std::string_view> eop,
                                                         std::optional<std::string_view> eop_sha256) {
    if (leap_second_kernel.has_value() != leap_second_sha256.has_value()) {
        value_error("leap_second_kernel and leap_second_sha256 must be supplied together");
        return std::nullopt;
    }
    if (leap_second_kernel) {
        value_error("time kernels cannot be attached yet");
        return std::nullopt;
    }
    if (eop.has_value() != eop_sha256.has_value()) {
        value_error("eop and eop_sha256 must be supplied together");
        return std::nullopt;
    }
    if (eop) {
        value_error("time kernels cannot be attached yet");
        return std::nullopt;
    }
    return engine;
}

}  // namespace orvane::python
