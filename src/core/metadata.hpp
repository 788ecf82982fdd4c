#pragma once
#include <string>
#include <vector>

namespace orvane {

struct KernelProvenance {
    std::string kernel_name;
    std::string kernel_sha256;
};

struct OrvaneMetadata {
    std::string engine_version;
    std::string kernel_name;
    std::string kernel_sha256;
    std::string coordinate_frame;
    std::vector<KernelProvenance> additional_kernels;
    // The time model's files (Delta T splines, UTC of 1960 to 1972), when attached.
    std::vector<KernelProvenance> time_model_files;
};

}  // namespace orvane
