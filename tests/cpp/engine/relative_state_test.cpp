// Relative states: the origin subtracted, the identical-body refusal.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/relative_state.hpp"
#include "spk/center_chain.hpp"
#include "spk_test_support.hpp"

namespace orvane::test {
namespace {

// Smoothly varying records, so sums and differences carry real rounding.
Type2Data varied(double seed, double init, double intlen, std::uint32_t count, std::uint32_t n = 11) {
    return make_type2(init, intlen, count, n, [seed](std::uint32_t k, int component, std::uint32_t degree) {
        return std::cos(seed + 0.61 * k + 2.3 * component + 0.93 * degree) * 1.5e7 / (1.0 + degree * degree * degree);
    });
}

// The target's state relative to the origin (plus an observer offset), the
// origin evaluated first as the engine does.
std::expected<StateVector, SpkError> relative_state(std::vector<SpkKernel>& kernels, std::int32_t target,
                                                    std::int32_t origin, double epoch,
                                                    const std::optional<StateVector>& observer_offset) {
    auto at_epoch = origin_at_epoch(kernels, origin, epoch, observer_offset);
    if (!at_epoch) return std::unexpected(std::move(at_epoch.error()));
    return relative_state_from(kernels, target, *at_epoch, {});
}

class Chains : public BothByteOrders {
protected:
    void add_kernel(const SpkFile& file) {
        kernels_.push_back(open_kernel(write("k" + std::to_string(kernels_.size()) + ".bsp", file)));
    }
    std::uint64_t reads() const {
        std::uint64_t total = 0;
        for (const SpkKernel& kernel : kernels_) total += kernel.source().read_count();
        return total;
    }
    std::vector<SpkKernel> kernels_;
};

TEST_P(Chains, RelativeStatesSubtractTheOrigin) {
    add_kernel(SpkFile{{type2_segment(3, 0, 0, 100, varied(0.1, 0, 50, 2)),
                        type2_segment(301, 3, 0, 100, varied(0.2, 0, 10, 10)),
                        type2_segment(399, 3, 0, 100, varied(0.3, 0, 10, 10))}});
    auto moon = barycentric_state_across_kernels(kernels_, 301, 42.0);
    auto earth = barycentric_state_across_kernels(kernels_, 399, 42.0);
    ASSERT_TRUE(moon && earth);
    auto geocentric = relative_state(kernels_, 301, 399, 42.0, std::nullopt);
    ASSERT_TRUE(geocentric);
    EXPECT_TRUE(same_bits(*geocentric, subtract_states(*moon, *earth)));

    StateVector offset{{6000.0, -300.0, 20.0}, {0.4, 0.1, -0.01}};
    auto topocentric = relative_state(kernels_, 399, 399, 42.0, offset);
    ASSERT_TRUE(topocentric);
    EXPECT_TRUE(same_bits(*topocentric, subtract_states(*earth, add_states(*earth, offset))));

    EXPECT_EQ(error_text(relative_state(kernels_, 499, 399, 42.0, std::nullopt)),
              "no SPK segment continues the center chain from target 499 at TDB epoch 42");
    auto identical = reject_identical_target_and_center(10, 10);
    ASSERT_FALSE(identical);
    EXPECT_EQ(identical.error().kind, OrvaneError::Kind::InvalidRequest);
    EXPECT_EQ(identical.error().message(), "spherical coordinates are undefined when target and origin are identical");
    EXPECT_TRUE(reject_identical_target_and_center(10, 399));
}

INSTANTIATE_TEST_SUITE_P(Engine, Chains, ::testing::Bool(), byte_order_name);

}  // namespace
}  // namespace orvane::test
