// Center chains across kernels: selection, precedence, failures, batching.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "spk/center_chain.hpp"
#include "spk_test_support.hpp"

namespace orvane::test {
namespace {

// Constant records whose x coordinate is `base` plus 1000 times the record index.
Type2Data constant(double base, double init, double intlen, std::uint32_t count) {
    return make_type2(init, intlen, count, 1, [base](std::uint32_t k, int component, std::uint32_t) {
        return base + 1000.0 * k + component;
    });
}

// Smoothly varying records, so sums and differences carry real rounding.
Type2Data varied(double seed, double init, double intlen, std::uint32_t count, std::uint32_t n = 11) {
    return make_type2(init, intlen, count, n, [seed](std::uint32_t k, int component, std::uint32_t degree) {
        return std::cos(seed + 0.61 * k + 2.3 * component + 0.93 * degree) * 1.5e7 / (1.0 + degree * degree * degree);
    });
}

class Chains : public BothByteOrders {
protected:
    void add_kernel(const SpkFile& file) {
        kernels_.push_back(open_kernel(write("k" + std::to_string(kernels_.size()) + ".bsp", file)));
    }
    std::expected<std::vector<StateVector>, SpkError> states(std::int32_t target, std::vector<double> epochs) {
        return barycentric_states_across_kernels(kernels_, target, epochs);
    }
    double x_at(std::int32_t target, double epoch) {
        auto state = barycentric_state_across_kernels(kernels_, target, epoch);
        EXPECT_TRUE(state) << error_text(state);
        return state ? state->position[0] : std::nan("");
    }
    std::uint64_t reads() const {
        std::uint64_t total = 0;
        for (const SpkKernel& kernel : kernels_) total += kernel.source().read_count();
        return total;
    }
    std::vector<SpkKernel> kernels_;
};

TEST_P(Chains, TheBarycenterNeedsNoKernel) {
    add_kernel(SpkFile{{type2_segment(301, 3, 0, 100, constant(1, 0, 100, 1))}});
    std::uint64_t before = reads();
    auto result = states(0, {0, 50, std::nan("")});
    ASSERT_TRUE(result);
    ASSERT_EQ(result->size(), 3u);
    for (const StateVector& state : *result) EXPECT_TRUE(same_bits(state, StateVector{}));
    EXPECT_EQ(reads(), before);
    auto none = states(301, {});
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
}

TEST_P(Chains, MoonStateIsTheSumOfItsLinksInChainOrder) {
    SpkFile file{{type2_segment(3, 0, 0, 400, varied(0.3, 0, 100, 4)),
                  type2_segment(301, 3, 0, 400, varied(1.7, 0, 25, 16))}};
    add_kernel(file);
    std::vector<double> epochs{0, 12.5, 99.99, 100, 250, 400};
    auto moon = states(301, epochs);
    ASSERT_TRUE(moon) << error_text(moon);
    auto segments = kernels_[0].segments();
    auto link_moon = segment_states(kernels_[0], segment_loc((*segments)[1]), epochs);
    auto link_emb = segment_states(kernels_[0], segment_loc((*segments)[0]), epochs);
    ASSERT_TRUE(link_moon && link_emb);
    for (std::size_t i = 0; i < epochs.size(); ++i) {
        StateVector expected = add_states(add_states(StateVector{}, (*link_moon)[i]), (*link_emb)[i]);
        EXPECT_TRUE(same_bits((*moon)[i], expected)) << epochs[i];
    }
}

TEST_P(Chains, LaterSegmentsAndEarlierKernelsTakePrecedence) {
    add_kernel(SpkFile{{type2_segment(301, 0, 0, 100, constant(1, 0, 100, 1)),
                        type2_segment(301, 0, 100, 200, constant(2, 100, 100, 1)),
                        type2_segment(301, 0, 150, 160, constant(3, 150, 10, 1))}});
    add_kernel(SpkFile{{type2_segment(301, 0, -100, 300, constant(4, -100, 400, 1)),
                        type2_segment(499, 0, -100, 300, constant(5, -100, 400, 1))}});
    EXPECT_EQ(x_at(301, 50), 1);
    EXPECT_EQ(x_at(301, 100), 2);   // the end of one segment and the start of a later one
    EXPECT_EQ(x_at(301, 155), 3);
    EXPECT_EQ(x_at(301, 160), 3);
    EXPECT_EQ(x_at(301, 200), 2);
    EXPECT_EQ(x_at(301, -50), 4);   // beyond the primary kernel
    EXPECT_EQ(x_at(301, 250), 4);
    EXPECT_EQ(x_at(499, 0), 5);     // only in the additional kernel
    EXPECT_EQ(error_text(states(599, {0})), "no SPK segment continues the center chain from target 599 at TDB epoch 0");

    std::vector<double> mixed{250, 50, -50, 155, 100, 50};
    auto batch = states(301, mixed);
    ASSERT_TRUE(batch);
    std::vector<double> expected{4, 1, 4, 3, 2, 1};
    for (std::size_t i = 0; i < mixed.size(); ++i) EXPECT_EQ((*batch)[i].position[0], expected[i]) << mixed[i];
    // Batches inside one segment: the one consulted first, or a later one
    // where the first does not cover them all.
    for (const auto& [epochs, x] : {std::pair{std::vector<double>{150, 155, 160}, 3.0},
                                    std::pair{std::vector<double>{101, 149, 161}, 2.0},
                                    std::pair{std::vector<double>{-100, 300, -99}, 4.0}}) {
        auto inside = states(301, epochs);
        ASSERT_TRUE(inside) << error_text(inside);
        for (const StateVector& state : *inside) EXPECT_EQ(state.position[0], x) << epochs[0];
    }
}

TEST_P(Chains, BrokenChainsNameWhereTheyBreak) {
    add_kernel(SpkFile{{type2_segment(499, 0, 0, 10, constant(1, 0, 10, 1))}});
    EXPECT_EQ(error_text(states(499, {0, 10, 11})),
              "no SPK segment continues the center chain from target 499 at TDB epoch 11");
    EXPECT_EQ(error_text(states(499, {0, std::nan("")})),
              "no SPK segment continues the center chain from target 499 at TDB epoch NaN");

    kernels_.clear();
    add_kernel(SpkFile{{type2_segment(301, 3, 0, 200, constant(1, 0, 200, 1)),
                        type2_segment(3, 0, 0, 100, constant(2, 0, 100, 1))}});
    EXPECT_EQ(error_text(states(301, {50, 150})),
              "no SPK segment continues the center chain from target 3 at TDB epoch 150");

    kernels_.clear();
    add_kernel(SpkFile{{type2_segment(1, 2, 0, 10, constant(1, 0, 10, 1)),
                        type2_segment(2, 1, 0, 10, constant(2, 0, 10, 1))}});
    EXPECT_EQ(error_text(states(1, {5})), "SPK center chain for target 1 contains a cycle");
    EXPECT_EQ(error_text(states(2, {5})), "SPK center chain for target 2 contains a cycle");
    EXPECT_EQ(error_text(states(2, {5, 1, 9})), "SPK center chain for target 2 contains a cycle");
}

TEST_P(Chains, AChainMayUseThirtyTwoSegments) {
    SpkFile file;
    for (int body = 1; body <= 33; ++body) {
        file.segments.push_back(type2_segment(body, body == 33 ? 0 : body + 1, 0, 10, constant(body, 0, 10, 1)));
    }
    add_kernel(file);
    auto longest = states(2, {5});
    ASSERT_TRUE(longest) << error_text(longest);
    double sum = 0;
    for (int body = 2; body <= 33; ++body) sum += body;
    EXPECT_EQ(longest->front().position[0], sum);
    EXPECT_EQ(error_text(states(1, {5})), "SPK center chain for target 1 contains a cycle");
    // The same walked by a batch, pass after pass of one segment.
    auto batch = states(2, {5, 0, 10});
    ASSERT_TRUE(batch) << error_text(batch);
    for (const StateVector& state : *batch) EXPECT_EQ(state.position[0], sum);
    EXPECT_EQ(error_text(states(1, {5, 6})), "SPK center chain for target 1 contains a cycle");
}

TEST_P(Chains, ASelectedSegmentOfAnotherTypeIsNotBypassed) {
    SpkFile primary{{type2_segment(301, 0, 0, 10, constant(1, 0, 10, 1)),
                     type2_segment(301, 0, 0, 10, constant(2, 0, 10, 1))}};
    primary.segments[1].data_type = 5;
    add_kernel(primary);
    add_kernel(SpkFile{{type2_segment(301, 0, 0, 10, constant(3, 0, 10, 1))}});
    EXPECT_EQ(error_text(states(301, {5})), "unsupported SPK segment type 5");
}

TEST_P(Chains, BatchesEqualSingleEpochsBitForBit) {
    // Two kernels, several segments per body, a chain of three links.
    add_kernel(SpkFile{{type2_segment(3, 0, -4000, 0, varied(0.1, -4000, 500, 8)),
                        type2_segment(3, 0, 0, 4000, varied(0.2, 0, 400, 10)),
                        type2_segment(301, 3, -2000, 2000, varied(0.3, -2000, 100, 40)),
                        type2_segment(30101, 301, -1000, 1000, varied(0.4, -1000, 50, 40, 5))}});
    add_kernel(SpkFile{{type2_segment(301, 3, -4000, 4000, varied(0.5, -4000, 1000, 8)),
                        type2_segment(30101, 301, -4000, 4000, varied(0.6, -4000, 250, 32, 7))}});
    std::mt19937_64 random(2024);
    std::uniform_real_distribution<double> anywhere(-4000, 4000);
    std::vector<double> epochs;
    for (int i = 0; i < 300; ++i) epochs.push_back(anywhere(random));
    for (double boundary : {-4000.0, -2000.0, -1000.0, 0.0, 1000.0, 2000.0, 4000.0, -1950.0, 450.0}) {
        epochs.push_back(boundary);
        epochs.push_back(boundary + 1e-3);
        epochs.push_back(boundary - 1e-3);
    }
    epochs.erase(std::remove_if(epochs.begin(), epochs.end(), [](double t) { return std::fabs(t) > 4000; }),
                 epochs.end());
    for (int i = 0; i < 50; ++i) epochs.push_back(epochs[random() % epochs.size()]);  // repeats
    std::shuffle(epochs.begin(), epochs.end(), random);

    for (std::int32_t target : {30101, 301, 3}) {
        auto batch = states(target, epochs);
        ASSERT_TRUE(batch) << error_text(batch);
        std::vector<double> reversed(epochs.rbegin(), epochs.rend());
        auto backwards = states(target, reversed);
        ASSERT_TRUE(backwards);
        for (std::size_t i = 0; i < epochs.size(); ++i) {
            auto single = barycentric_state_across_kernels(kernels_, target, epochs[i]);
            ASSERT_TRUE(single) << error_text(single);
            EXPECT_TRUE(same_bits((*batch)[i], *single)) << target << " at " << epochs[i];
            EXPECT_TRUE(same_bits((*backwards)[epochs.size() - 1 - i], *single));
        }
        // The positions alone, batch and single, are the states' positions.
        std::vector<StateVector> positions(epochs.size());
        ASSERT_TRUE(barycentric_positions_into(kernels_, target, epochs, positions));
        for (std::size_t i = 0; i < epochs.size(); ++i) {
            StateVector one;
            ASSERT_TRUE(barycentric_positions_into(kernels_, target, std::span<const double>(&epochs[i], 1),
                                                   std::span<StateVector>(&one, 1)));
            for (int c = 0; c < 3; ++c) {
                EXPECT_TRUE(same_bits(positions[i].position[c], (*batch)[i].position[c])) << target << " at " << epochs[i];
                EXPECT_TRUE(same_bits(one.position[c], (*batch)[i].position[c])) << target << " at " << epochs[i];
            }
        }
    }
}

// A link of negative zeros sums to positive zeros, batch or single, whether
// it is the first link or a later one: every sum starts from +0.
TEST_P(Chains, SumsStartFromPositiveZero) {
    auto zeros = make_type2(0, 100, 1, 1, [](std::uint32_t, int, std::uint32_t) { return -0.0; });
    add_kernel(SpkFile{{type2_segment(301, 3, 0, 100, zeros), type2_segment(3, 0, 0, 100, zeros)}});
    for (std::int32_t target : {301, 3}) {
        auto batch = states(target, {0, 50, 100});
        ASSERT_TRUE(batch) << error_text(batch);
        for (const StateVector& state : *batch) {
            EXPECT_TRUE(same_bits(state, StateVector{})) << target;
            EXPECT_TRUE(same_bits(state, *barycentric_state_across_kernels(kernels_, target, 50))) << target;
        }
    }
}

TEST_P(Chains, ABatchReadsEachSegmentsRecordsTogether) {
    add_kernel(SpkFile{{type2_segment(3, 0, 0, 1000, varied(0.1, 0, 100, 10)),
                        type2_segment(301, 3, 0, 1000, varied(0.2, 0, 10, 100))}});
    // Epochs in records 20..59 of the Moon and 2..5 of the barycenter, shuffled.
    std::vector<double> epochs;
    for (int i = 0; i < 400; ++i) epochs.push_back(200.0 + i + 0.25);
    std::shuffle(epochs.begin(), epochs.end(), std::mt19937_64(5));
    ASSERT_TRUE(kernels_[0].segments());
    std::uint64_t before = reads();
    ASSERT_TRUE(states(301, epochs));
    EXPECT_EQ(reads() - before, 2u + 2u);  // two directories, each segment's records in one read
    // A single epoch in the records held reads nothing.
    before = reads();
    ASSERT_TRUE(barycentric_state_across_kernels(kernels_, 301, 599.5));
    EXPECT_EQ(reads(), before);
}

// A walk keeps each body's segments while the kernels are the same ones: a
// kernel replaced in place, or another one attached, is walked afresh.
TEST_P(Chains, KernelsReplacedInPlaceAreWalkedAfresh) {
    add_kernel(SpkFile{{type2_segment(301, 0, 0, 100, constant(1, 0, 100, 1))}});
    EXPECT_EQ(x_at(301, 50), 1);
    kernels_[0] = open_kernel(write("replaced.bsp", SpkFile{{type2_segment(301, 3, 0, 100, constant(2, 0, 100, 1)),
                                                             type2_segment(3, 0, 0, 100, constant(5, 0, 100, 1))}}));
    EXPECT_EQ(x_at(301, 50), 7);
    add_kernel(SpkFile{{type2_segment(399, 3, 0, 100, constant(9, 0, 100, 1))}});
    EXPECT_EQ(x_at(399, 50), 14);
}

INSTANTIATE_TEST_SUITE_P(Spk, Chains, ::testing::Bool(), byte_order_name);

}  // namespace
}  // namespace orvane::test
