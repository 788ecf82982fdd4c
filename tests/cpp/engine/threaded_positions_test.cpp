// A batch shared between threads: the bytes of the one-thread batch, the
// first error of its stretches, a stop that halts every thread, and sibling
// kernels that read the same file through caches of their own.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine/threaded_positions.hpp"
#include "spk/center_chain.hpp"

namespace orvane::test {
namespace {

std::string de421_path() {
    std::ifstream in(std::string(ORVANE_REFERENCE_DIR) + "/spk_de421_path.txt");
    std::string path;
    std::getline(in, path);
    return path;
}

PositionOptions apparent_of_date() {
    PositionOptions options;
    options.reference_epoch = ReferenceEpoch::OfDate;
    options.apparent = true;
    return options;
}

class ThreadedPositions : public ::testing::Test {
protected:
    void SetUp() override {
        auto opened = SpkOrvane::open(de421_path(), std::string(64, 'a'));
        ASSERT_TRUE(opened.has_value());
        engine_.emplace(std::move(*opened));
        for (int i = 0; i < 5000; ++i) days_.push_back(2451545.0 - 2000.0 + 0.8 * i);
    }
    std::optional<SpkOrvane> engine_;
    std::vector<double> days_;
    const std::vector<std::int32_t> bodies_{10, 301, 199, 499, 5};
};

TEST_F(ThreadedPositions, EveryThreadCountAndPieceGivesTheOneThreadBytes) {
    for (const PositionOptions& options : {PositionOptions{}, apparent_of_date()}) {
        const InstantList instants(days_, TimeScale::Tdb);
        std::vector<double> one(4 * bodies_.size() * days_.size());
        ASSERT_TRUE(engine_->positions_into(bodies_, instants, options, one).has_value());
        for (std::size_t threads : {1u, 2u, 3u, 8u}) {
            for (std::size_t piece : {256u, 1024u, 4096u}) {
                std::vector<double> many(one.size(), -1.0);
                auto done = positions_on_threads(*engine_, bodies_, instants, options, many,
                                                 ThreadPlan{threads, 4096, piece, {}});
                ASSERT_TRUE(done.has_value() && *done);
                EXPECT_EQ(std::memcmp(one.data(), many.data(), one.size() * sizeof(double)), 0)
                    << threads << " threads, pieces of " << piece;
            }
        }
    }
}

TEST_F(ThreadedPositions, TheFirstFailingStretchReportsItsError) {
    days_[4500] = 2600000.5;  // out of range, in the second stretch
    days_[4700] = 2300000.5;
    const InstantList instants(days_, TimeScale::Tdb);
    std::vector<double> out(4 * bodies_.size() * days_.size());
    auto serial = engine_->positions_into(bodies_, instants.part(4096, days_.size()), PositionOptions{},
                                          std::span<double>(out).subspan(4 * bodies_.size() * 4096));
    ASSERT_FALSE(serial.has_value());
    for (std::size_t threads : {2u, 3u}) {
        auto done = positions_on_threads(*engine_, bodies_, instants, PositionOptions{}, out,
                                         ThreadPlan{threads, 4096, 256, {}});
        ASSERT_FALSE(done.has_value());
        EXPECT_EQ(done.error().message(), serial.error().message());
    }
}

TEST_F(ThreadedPositions, AStopHaltsEveryThreadAfterItsPiece) {
    std::vector<double> out(4 * bodies_.size() * days_.size());
    int asked = 0;
    auto done = positions_on_threads(*engine_, bodies_, InstantList(days_, TimeScale::Tdb), PositionOptions{}, out,
                                     ThreadPlan{2, 4096, 256, [&] { return ++asked < 2; }});
    ASSERT_TRUE(done.has_value());
    EXPECT_FALSE(*done);
    EXPECT_EQ(asked, 2);
}

TEST_F(ThreadedPositions, SiblingKernelsReadTheSameFileThroughTheirOwnCaches) {
    std::vector<SpkKernel>& kernels = engine_->kernels;
    std::vector<SpkKernel> siblings;
    auto sibling = kernels[0].sibling();
    ASSERT_TRUE(sibling.has_value());
    siblings.push_back(std::move(*sibling));
    EXPECT_NE(siblings[0].identity(), kernels[0].identity());
    const std::uint64_t reads = kernels[0].source().read_count();
    const std::vector<double> epochs{0.0, 1e8, -3e8};
    auto theirs = barycentric_states_across_kernels(siblings, 301, epochs);
    EXPECT_EQ(kernels[0].source().read_count(), reads);  // nothing read through the engine's own
    auto ours = barycentric_states_across_kernels(kernels, 301, epochs);
    ASSERT_TRUE(theirs.has_value() && ours.has_value());
    EXPECT_EQ(std::memcmp(theirs->data(), ours->data(), ours->size() * sizeof(StateVector)), 0);
    // The sequences for the engine's threads are kept from one call to the next.
    auto made = engine_->worker_kernels.sequences(kernels, 2);
    ASSERT_EQ(made.size(), 2u);
    EXPECT_EQ(engine_->worker_kernels.sequences(kernels, 2)[1][0].identity(), made[1][0].identity());
}

}  // namespace
}  // namespace orvane::test
