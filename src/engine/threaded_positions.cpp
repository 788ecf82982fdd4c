// A batch of positions shared between threads: pieces of consecutive
// instants handed out in order, each thread evaluating through kernels of its
// own, so that nothing mutable is shared but the counters below.
#include "engine/threaded_positions.hpp"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/positions_through.hpp"

namespace orvane {
namespace {

constexpr std::size_t NONE = std::numeric_limits<std::size_t>::max();

// What the threads of one batch share.
class SharedBatch {
public:
    SharedBatch(const SpkOrvane& engine, std::span<const std::int32_t> targets, InstantList instants,
                const PositionOptions& options, std::span<double> out, std::size_t piece)
        : engine_(engine), targets_(targets), instants_(instants), options_(options), out_(out), piece_(piece),
          pieces_((instants.size() + piece - 1) / piece) {}

    // Takes pieces in order until none is left or the batch stops; after
    // each, `between()` (when it returns false the batch stops).
    template <class Between>
    void work(std::vector<SpkKernel>& kernels, Between&& between) {
        try {
            while (!stopped_.load(std::memory_order_acquire)) {
                const std::size_t p = next_.fetch_add(1, std::memory_order_relaxed);
                if (p >= pieces_) return;
                const std::size_t begin = p * piece_;
                const std::size_t end = std::min(instants_.size(), begin + piece_);
                const std::size_t row = 4 * targets_.size();
                auto done = positions_through(engine_, kernels, targets_, instants_.part(begin, end), options_,
                                              out_.subspan(begin * row, (end - begin) * row));
                if (!done) {
                    failed_at(p);
                    return;
                }
                if (!between()) {
                    stop();
                    return;
                }
            }
        } catch (...) {
            std::lock_guard lock(mutex_);
            if (!exception_) exception_ = std::current_exception();
            stop();
        }
    }

    void stop() { stopped_.store(true, std::memory_order_release); }
    std::size_t first_failure() const { return first_failure_; }
    std::exception_ptr exception() const { return exception_; }

private:
    void failed_at(std::size_t p) {
        std::lock_guard lock(mutex_);
        first_failure_ = std::min(first_failure_, p);
        stop();
    }

    const SpkOrvane& engine_;
    std::span<const std::int32_t> targets_;
    InstantList instants_;
    const PositionOptions& options_;
    std::span<double> out_;
    std::size_t piece_;
    std::size_t pieces_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> stopped_{false};
    std::mutex mutex_;
    std::size_t first_failure_ = NONE;
    std::exception_ptr exception_;
};

}  // namespace

std::size_t available_cores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) return static_cast<std::size_t>(count);
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

std::expected<bool, OrvaneError> positions_on_threads(const SpkOrvane& engine, std::span<const std::int32_t> targets,
                                                      InstantList instants, const PositionOptions& options,
                                                      std::span<double> out, const ThreadPlan& plan) {
    const std::size_t piece = std::max<std::size_t>(1, std::min(plan.piece, plan.stretch));
    const std::size_t pieces = (instants.size() + piece - 1) / piece;
    const std::size_t helpers = std::min(plan.threads, pieces) > 1 ? std::min(plan.threads, pieces) - 1 : 0;
    std::span<std::vector<SpkKernel>> sequences = engine.worker_kernels.sequences(engine.kernels, helpers);

    SharedBatch batch(engine, targets, instants, options, out, piece);
    bool stopped = false;
    {
        std::vector<std::jthread> threads;
        threads.reserve(sequences.size());
        for (std::vector<SpkKernel>& sequence : sequences) {
            try {
                threads.emplace_back([&batch, &sequence] { batch.work(sequence, [] { return true; }); });
            } catch (const std::system_error&) {
                break;  // no more threads: the ones started share the rest
            }
        }
        batch.work(engine.kernels, [&] {
            if (plan.keep_going && !plan.keep_going()) stopped = true;
            return !stopped;
        });
    }
    if (batch.exception()) std::rethrow_exception(batch.exception());
    if (batch.first_failure() != NONE) {
        // Every piece before the failing one is done; its stretch, computed
        // as the one-thread road does, reports the error that road meets.
        const std::size_t begin = batch.first_failure() * piece / plan.stretch * plan.stretch;
        const std::size_t end = std::min(instants.size(), begin + plan.stretch);
        const std::size_t row = 4 * targets.size();
        auto done = engine.positions_into(targets, instants.part(begin, end), options,
                                          out.subspan(begin * row, (end - begin) * row));
        if (!done) return std::unexpected(std::move(done.error()));
        // Evaluated alike, the stretch cannot succeed where its piece failed;
        // were it to, the piece is computed again for its own error.
        const std::size_t from = batch.first_failure() * piece;
        const std::size_t to = std::min(instants.size(), from + piece);
        auto again = engine.positions_into(targets, instants.part(from, to), options,
                                           out.subspan(from * row, (to - from) * row));
        if (!again) return std::unexpected(std::move(again.error()));
    }
    return !stopped;
}

}  // namespace orvane
