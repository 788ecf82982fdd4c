#pragma once
#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <span>

#include "engine/engine.hpp"

namespace orvane {

// How a batch is shared between threads.
struct ThreadPlan {
    // Threads at most, the calling one included.
    std::size_t threads = 1;
    // The batch as the one-thread road computes it: positions_into over
    // consecutive stretches of this many instants, the first failing stretch
    // reporting its error.
    std::size_t stretch = 4096;
    // Instants each thread takes at a time (a divisor of `stretch`).
    std::size_t piece = 1024;
    // Called by the calling thread between its pieces; false stops every
    // thread after the piece it is computing.
    std::function<bool()> keep_going;
};

// SpkOrvane::positions_into over consecutive stretches of the plan, the
// pieces shared by up to `plan.threads` threads: the calling one through the
// engine's kernels, each other through a sibling sequence of its own
// (engine.worker_kernels). Every position is the one the one-thread road
// computes, bit for bit, and a failure is the error of the first failing
// stretch, as that road reports it. True when done, false when stopped.
std::expected<bool, OrvaneError> positions_on_threads(const SpkOrvane& engine, std::span<const std::int32_t> targets,
                                                      InstantList instants, const PositionOptions& options,
                                                      std::span<double> out, const ThreadPlan& plan);

// The threads this process may run on (its CPU affinity), at least 1.
std::size_t available_cores();

}  // namespace orvane
