// Opening the engine, its coverage and metadata, and its attachments.
#include <gtest/gtest.h>

#include <bit>
#include <fstream>
#include <limits>

#include "core/constants.hpp"
#include "spk/center_chain.hpp"
#include "spk/coverage.hpp"
#include "engine/engine.hpp"
#include "engine/instant_conversion.hpp"
#include "spk_test_support.hpp"

namespace orvane::test {
namespace {

const std::string SHA = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
const std::string SHA_UPPER = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF";
const std::string BAD_SHA = "kernel SHA-256 must contain exactly 64 hexadecimal characters";

SpkSegment span_of(std::int32_t target, double start, double end) {
    SpkSegment segment;
    segment.target = target;
    segment.start_epoch = start;
    segment.end_epoch = end;
    return segment;
}

std::string coverage_text(std::vector<SpkSegment> segments) {
    auto coverage = common_contiguous_coverage(segments);
    if (!coverage) return coverage.error().message();
    return "[" + std::to_string(coverage->start_epoch) + ", " + std::to_string(coverage->end_epoch) + "]";
}

TEST(Coverage, JoinsEachTargetAndIntersectsTargets) {
    EXPECT_EQ(coverage_text({}), "SPK kernel has no segments");
    EXPECT_EQ(coverage_text({span_of(301, 0, 100), span_of(301, 100, 200)}), "[0.000000, 200.000000]");
    EXPECT_EQ(coverage_text({span_of(301, 0, 100), span_of(301, 100.5, 200)}),
              "SPK target 301 has discontinuous segment coverage");
    EXPECT_EQ(coverage_text({span_of(301, 0, 150), span_of(301, 100, 200)}), "[0.000000, 200.000000]");
    EXPECT_EQ(coverage_text({span_of(301, 0, 200), span_of(301, 50, 60)}), "[0.000000, 200.000000]");
    EXPECT_EQ(coverage_text({span_of(301, 100, 200), span_of(301, 0, 100), span_of(301, 50, 60)}),
              "[0.000000, 200.000000]");
    EXPECT_EQ(coverage_text({span_of(1, 0, 200), span_of(2, 100, 300)}), "[100.000000, 200.000000]");
    EXPECT_EQ(coverage_text({span_of(1, 0, 100), span_of(2, 200, 300)}), "SPK targets have no common coverage interval");
    EXPECT_EQ(coverage_text({span_of(1, 0, 100), span_of(2, 100, 300)}), "[100.000000, 100.000000]");
    EXPECT_EQ(coverage_text({span_of(-7, 0, 10), span_of(5, 0, 10), span_of(-7, 20, 30)}),
              "SPK target -7 has discontinuous segment coverage");
}

class Engine : public BothByteOrders {
protected:
    std::string moon_kernel(const std::string& name = "moon.bsp") {
        return write(name, SpkFile{{type2_segment(301, 3, -86400, 86400, marker_type2(-86400, 86400, 2)),
                                    type2_segment(3, 0, -172800, 172800, marker_type2(-172800, 345600, 1))}});
    }
};

TEST_P(Engine, OpensWithMetadataAndTheCommonRange) {
    std::string path = moon_kernel();
    auto engine = SpkOrvane::open(path, SHA_UPPER);
    ASSERT_TRUE(engine) << engine.error().message();
    EXPECT_EQ(engine->metadata.engine_version, "0.1.0");
    EXPECT_EQ(engine->metadata.kernel_name, "moon.bsp");
    EXPECT_EQ(engine->metadata.kernel_sha256, SHA);
    EXPECT_EQ(engine->metadata.coordinate_frame, "ICRF/J2000");
    EXPECT_TRUE(engine->metadata.additional_kernels.empty());
    EXPECT_EQ(engine->supported_range.start_julian_day, 2451544.0);
    EXPECT_EQ(engine->supported_range.end_julian_day, 2451546.0);
    EXPECT_EQ(engine->supported_range.time_scale, TimeScale::Tdb);
    EXPECT_FALSE(engine->leap_seconds);
    EXPECT_FALSE(engine->earth_orientation);
    ASSERT_EQ(engine->kernels.size(), 1u);
    // The segment list was decoded while opening.
    std::uint64_t reads = engine->kernels[0].source().read_count();
    auto moon = barycentric_state_across_kernels(engine->kernels, 301, 0.0);
    ASSERT_TRUE(moon);
    EXPECT_EQ(moon->position[0], 1001.0 + 1.0);
    EXPECT_EQ(engine->kernels[0].source().read_count() - reads, 4u);  // two directories, two records
}

TEST_P(Engine, OpeningFailuresInTheirOrder) {
    std::string path = moon_kernel();
    EXPECT_EQ(SpkOrvane::open(path + "/..", SHA).error().message(), "kernel path has no UTF-8 filename");
    EXPECT_EQ(SpkOrvane::open(dir_.path().string() + "/\xff.bsp", SHA).error().message(),
              "kernel path has no UTF-8 filename");
    auto missing = SpkOrvane::open(dir_.path().string() + "/missing.bsp", "short");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind, OrvaneError::Kind::Backend);
    EXPECT_EQ(missing.error().message().rfind("failed to read SPK kernel: ", 0), 0u);
    for (std::string sha : {SHA.substr(1), SHA + "0", SHA.substr(1) + "g"}) {
        EXPECT_EQ(SpkOrvane::open(path, sha).error().message(), BAD_SHA);
    }

    SpkFile layout{{type2_segment(301, 3, 0, 10, marker_type2(0, 10, 1))}};
    layout.file.nd = 1;
    layout.file.ni = 5;
    EXPECT_EQ(SpkOrvane::open(write("layout.bsp", layout), SHA).error().message(),
              "unsupported SPK summary layout ND=1, NI=5");
    EXPECT_EQ(SpkOrvane::open(write("empty.bsp", SpkFile{}), SHA).error().message(), "SPK kernel has no segments");
    SpkFile gap{{type2_segment(301, 3, 0, 10, marker_type2(0, 10, 1)),
                 type2_segment(301, 3, 11, 20, marker_type2(11, 9, 1))}};
    EXPECT_EQ(SpkOrvane::open(write("gap.bsp", gap), SHA).error().message(),
              "SPK target 301 has discontinuous segment coverage");
}

TEST_P(Engine, AdditionalKernelsAddBodiesButNotRange) {
    auto engine = SpkOrvane::open(moon_kernel(), SHA);
    ASSERT_TRUE(engine);
    DateRange range = engine->supported_range;
    std::string mars_path = write("mars.bsp", SpkFile{{type2_segment(499, 0, -1e9, 1e9, marker_type2(-1e9, 2e9, 1))}});
    EXPECT_EQ(error_text(barycentric_state_across_kernels(engine->kernels, 499, 0)),
              "no SPK segment continues the center chain from target 499 at TDB epoch 0");

    auto mars = SpkKernel::open(mars_path);
    ASSERT_TRUE(mars);
    auto extended = SpkOrvane::with_additional_kernel(std::move(*engine), std::move(*mars), "mars.bsp", SHA_UPPER);
    ASSERT_TRUE(extended) << extended.error().message();
    ASSERT_EQ(extended->kernels.size(), 2u);
    ASSERT_EQ(extended->metadata.additional_kernels.size(), 1u);
    EXPECT_EQ(extended->metadata.additional_kernels[0].kernel_name, "mars.bsp");
    EXPECT_EQ(extended->metadata.additional_kernels[0].kernel_sha256, SHA);
    EXPECT_EQ(extended->supported_range.start_julian_day, range.start_julian_day);
    EXPECT_EQ(extended->supported_range.end_julian_day, range.end_julian_day);
    auto state = barycentric_state_across_kernels(extended->kernels, 499, 5e8);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->position[0], 1.0);

    // The same file twice: two entries, the first copy decides.
    auto again = SpkOrvane::with_additional_kernel(std::move(*extended), std::move(*SpkKernel::open(mars_path)),
                                                   "mars again", SHA);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->kernels.size(), 3u);
    EXPECT_EQ(again->metadata.additional_kernels.size(), 2u);
    EXPECT_EQ(again->metadata.additional_kernels[1].kernel_name, "mars again");
    std::uint64_t third_reads = again->kernels[2].source().read_count();
    ASSERT_TRUE(barycentric_state_across_kernels(again->kernels, 499, -5e8));
    EXPECT_EQ(again->kernels[2].source().read_count(), third_reads);
}

TEST_P(Engine, RejectedAttachmentsLeaveTheEngineAsItWas) {
    SpkFile layout{{type2_segment(499, 0, 0, 10, marker_type2(0, 10, 1))}};
    layout.file.nd = 1;
    layout.file.ni = 5;
    std::string layout_path = write("layout.bsp", layout);

    auto engine = SpkOrvane::open(moon_kernel(), SHA);
    ASSERT_TRUE(engine);
    auto kernel = SpkKernel::open(layout_path);
    ASSERT_TRUE(kernel);
    auto short_sha = SpkOrvane::with_additional_kernel(std::move(*engine), std::move(*kernel), "x", SHA.substr(1));
    ASSERT_FALSE(short_sha);
    EXPECT_EQ(short_sha.error().message(), BAD_SHA);
    EXPECT_EQ(engine->kernels.size(), 1u);  // not taken

    auto second = SpkOrvane::open(moon_kernel("moon2.bsp"), SHA);
    ASSERT_TRUE(second);
    auto layout_kernel = SpkKernel::open(layout_path);
    ASSERT_TRUE(layout_kernel);
    auto bad_layout = SpkOrvane::with_additional_kernel(std::move(*second), std::move(*layout_kernel), "x", SHA);
    ASSERT_FALSE(bad_layout);
    EXPECT_EQ(bad_layout.error().message(), "unsupported SPK summary layout ND=1, NI=5");
    EXPECT_EQ(second->kernels.size(), 1u);
    EXPECT_TRUE(second->metadata.additional_kernels.empty());
}

TEST_P(Engine, TimeKernelsAreAttachedAndReplaced) {
    const std::string lsk_path = std::string(ORVANE_SOURCE_DIR) + "/data/leap_seconds.tls";
    auto first_lsk = LeapSecondKernel::open(lsk_path, SHA);
    auto second_lsk = LeapSecondKernel::open(lsk_path, SHA_UPPER.substr(0, 63) + "A");
    ASSERT_TRUE(first_lsk && second_lsk);
    auto table = [this](double dut1) {
        std::string path = (dir_.path() / "eop.txt").string();
        std::ofstream(path) << "2000 1 1 0 51544.00 0.1 0.2 " << dut1 << "\n2000 1 2 0 51545.00 0.1 0.2 " << dut1 << "\n";
        auto opened = EarthOrientationTable::open(path, SHA);
        EXPECT_TRUE(opened);
        return std::move(*opened);
    };

    auto engine = SpkOrvane::open(moon_kernel(), SHA);
    ASSERT_TRUE(engine);
    SpkOrvane with_lsk = SpkOrvane::with_leap_second_kernel(std::move(*engine), std::move(*first_lsk));
    ASSERT_TRUE(with_lsk.leap_seconds);
    EXPECT_EQ(with_lsk.leap_seconds->sha256(), SHA);
    SpkOrvane with_eop = SpkOrvane::with_eop(std::move(with_lsk), table(0.25));
    ASSERT_TRUE(with_eop.earth_orientation && with_eop.leap_seconds);
    EXPECT_EQ(with_eop.earth_orientation->samples().front().dut1_seconds, 0.25);
    SpkOrvane both = SpkOrvane::with_time_kernels(std::move(with_eop), std::move(*second_lsk), table(-0.5));
    EXPECT_EQ(both.leap_seconds->sha256().back(), 'a');
    EXPECT_EQ(both.earth_orientation->samples().front().dut1_seconds, -0.5);
    EXPECT_EQ(both.kernels.size(), 1u);
    EXPECT_EQ(both.metadata.kernel_name, "moon.bsp");
}

// Instants converted four at a time give each instant's TDB seconds or error
// alone, to the bit and the text, whatever their scales, neighbours and
// count: TT ones in lanes, the rest by their own roads.
TEST_P(Engine, TdbSecondsInLanesAreEachInstantsAlone) {
    auto opened = SpkOrvane::open(moon_kernel(), SHA);
    ASSERT_TRUE(opened);
    auto lsk = LeapSecondKernel::open(std::string(ORVANE_SOURCE_DIR) + "/data/leap_seconds.tls", SHA);
    ASSERT_TRUE(lsk);
    SpkOrvane plain = std::move(*opened);
    auto reopened = SpkOrvane::open(moon_kernel("moon2.bsp"), SHA);
    ASSERT_TRUE(reopened);
    SpkOrvane with_lsk = SpkOrvane::with_leap_second_kernel(std::move(*reopened), std::move(*lsk));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Instant> instants = {
        {J2000_JULIAN_DAY - 0.9, TimeScale::Tt},  {J2000_JULIAN_DAY + 0.3, TimeScale::Tt},
        {J2000_JULIAN_DAY + 0.7, TimeScale::Tdb}, {J2000_JULIAN_DAY + 1.5, TimeScale::Tt},
        {nan, TimeScale::Tt},                     {J2000_JULIAN_DAY, TimeScale::Utc},
        {J2000_JULIAN_DAY + 0.99, TimeScale::Tt}, {J2000_JULIAN_DAY - 0.5, TimeScale::Ut1},
        {J2000_JULIAN_DAY + 1e-9, TimeScale::Tt}, {J2000_JULIAN_DAY - 0.25, TimeScale::Tt}};
    for (const SpkOrvane* engine : {&plain, &with_lsk}) {
        for (std::size_t count = 1; count <= TDB_TT_LANES; ++count) {
            for (std::size_t first = 0; first + count <= instants.size(); ++first) {
                std::expected<double, OrvaneError> lanes[TDB_TT_LANES];
                tdb_seconds_lanes(*engine, &instants[first], count, lanes);
                for (std::size_t k = 0; k < count; ++k) {
                    const Instant& instant = instants[first + k];
                    auto alone = tdb_seconds(*engine, instant.time_scale, instant.julian_day);
                    ASSERT_EQ(lanes[k].has_value(), alone.has_value()) << first + k;
                    if (alone) {
                        EXPECT_EQ(std::bit_cast<std::uint64_t>(*lanes[k]), std::bit_cast<std::uint64_t>(*alone));
                    } else {
                        EXPECT_EQ(lanes[k].error().message(), alone.error().message());
                    }
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Spk, Engine, ::testing::Bool(), byte_order_name);

}  // namespace
}  // namespace orvane::test
