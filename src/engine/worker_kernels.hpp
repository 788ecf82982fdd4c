#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "spk/spk_kernel.hpp"

namespace orvane {

// The kernel sequences the helper threads of one engine evaluate through:
// each a sibling of the engine's own sequence (the same open files, caches
// of its own), kept from one call to the next so that their caches stay
// warm, and made again when the engine's sequence is no longer the one they
// were made from. Used only by the thread that holds the engine.
class WorkerKernels {
public:
    // Up to `count` sequences beside `kernels`: fewer when the system refuses
    // another file handle (the call then uses fewer threads).
    std::span<std::vector<SpkKernel>> sequences(const std::vector<SpkKernel>& kernels, std::size_t count);

private:
    std::vector<std::uint64_t> made_from_;
    std::vector<std::vector<SpkKernel>> sequences_;
};

}  // namespace orvane
