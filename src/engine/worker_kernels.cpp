#include "engine/worker_kernels.hpp"

namespace orvane {

std::span<std::vector<SpkKernel>> WorkerKernels::sequences(const std::vector<SpkKernel>& kernels,
                                                           std::size_t count) {
    bool same = made_from_.size() == kernels.size();
    for (std::size_t k = 0; same && k < kernels.size(); ++k) same = made_from_[k] == kernels[k].identity();
    if (!same) {
        sequences_.clear();
        made_from_.clear();
        for (const SpkKernel& kernel : kernels) made_from_.push_back(kernel.identity());
    }
    while (sequences_.size() < count) {
        std::vector<SpkKernel> sequence;
        sequence.reserve(kernels.size());
        for (const SpkKernel& kernel : kernels) {
            auto sibling = kernel.sibling();
            if (!sibling) return std::span<std::vector<SpkKernel>>(sequences_);
            sequence.push_back(std::move(*sibling));
        }
        sequences_.push_back(std::move(sequence));
    }
    return std::span<std::vector<SpkKernel>>(sequences_).first(count);
}

}  // namespace orvane
