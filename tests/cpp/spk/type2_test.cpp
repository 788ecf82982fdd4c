// Type 2 segments: directory, record selection, record evaluation and caches.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <random>

#include "spk/type2.hpp"
#include "spk_test_support.hpp"

namespace orvane::test {
namespace {

// One segment (301 about 3) over [start, end] holding `data`.
class Type2 : public BothByteOrders {
protected:
    SpkKernel kernel_of(const Type2Data& data, double start, double end, const std::string& name = "t2.bsp") {
        SpkFile file;
        file.segments.push_back(type2_segment(301, 3, start, end, data));
        return kernel_of(file, name);
    }
    SpkKernel kernel_of(const SpkFile& file, const std::string& name = "t2.bsp") {
        SpkKernel kernel = open_kernel(write(name, file));
        auto segments = kernel.segments();
        EXPECT_TRUE(segments) << error_text(segments);
        segment_ = segment_loc(segments->front());
        return kernel;
    }
    std::expected<std::vector<StateVector>, SpkError> evaluate(SpkKernel& kernel, std::vector<double> epochs) {
        return segment_states(kernel, segment_, epochs);
    }
    std::string error_at(SpkKernel& kernel, double epoch) { return error_text(evaluate(kernel, {epoch})); }
    double marker_at(SpkKernel& kernel, double epoch) {
        auto states = evaluate(kernel, {epoch});
        EXPECT_TRUE(states) << error_text(states);
        return states ? states->front().position[0] : -1.0;
    }
    SegmentLoc segment_;
};

TEST_P(Type2, SelectsRecordsAtTheirBoundaries) {
    SpkKernel kernel = kernel_of(marker_type2(-100, 50, 4), -100, 100);
    EXPECT_EQ(marker_at(kernel, -100), 1);      // INIT: record 0
    EXPECT_EQ(marker_at(kernel, -50), 1001);    // INIT + INTLEN: record 1, not 0
    EXPECT_EQ(marker_at(kernel, 0), 2001);
    EXPECT_EQ(marker_at(kernel, 49.999), 2001);
    EXPECT_EQ(marker_at(kernel, 100), 3001);    // INIT + N INTLEN: the last record
    auto states = evaluate(kernel, {-20});
    ASSERT_TRUE(states);
    EXPECT_EQ(states->front().position[1], 1002);
    EXPECT_EQ(states->front().position[2], 1003);
    EXPECT_EQ(states->front().velocity[0], 0.0);
}

TEST_P(Type2, EpochsOutsideThePolynomialIntervals) {
    SpkKernel kernel = kernel_of(marker_type2(-100, 50, 4), -200, 200);
    EXPECT_EQ(error_at(kernel, 120), "invalid SPK Type 2 segment: selected record does not cover the requested epoch");
    EXPECT_EQ(error_at(kernel, 150), "invalid SPK Type 2 segment: epoch is not covered by the polynomial intervals");
    EXPECT_EQ(error_at(kernel, -100.5), "invalid SPK Type 2 segment: epoch precedes the first polynomial interval");
    EXPECT_EQ(error_at(kernel, 201), "TDB epoch 201 is outside segment coverage [-200, 200]");
    EXPECT_EQ(error_at(kernel, std::nan("")), "TDB epoch NaN is outside segment coverage [-200, 200]");
    EXPECT_EQ(error_at(kernel, -std::numeric_limits<double>::infinity()),
              "TDB epoch -inf is outside segment coverage [-200, 200]");
}

TEST_P(Type2, LinearRecordsGiveExactValues) {
    Type2Data data = make_type2(0, 100, 1, 2, [](std::uint32_t, int component, std::uint32_t degree) {
        return degree == 0 ? 10.0 * (component + 1) : 0.5 * (component + 1);
    });
    SpkKernel kernel = kernel_of(data, 0, 100);
    auto states = evaluate(kernel, {75});  // x = 0.5
    ASSERT_TRUE(states) << error_text(states);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(states->front().position[c], 10.0 * (c + 1) + 0.5 * (c + 1) * 0.5);
        EXPECT_EQ(states->front().velocity[c], 0.5 * (c + 1) / 50.0);
    }
}

// One record's state at the epoch, checked as a segment checks it.
std::expected<StateVector, SpkError> record_state(std::span<const double> words, double epoch) {
    auto x = chebyshev_argument(words.data(), chebyshev_record_fault(words), epoch);
    if (!x) return std::unexpected(std::move(x.error()));
    return type2_state(words.data(), (words.size() - 2) / 3, *x);
}

TEST(Type2Record, MatchesChebyshevSumsInClosedForm) {
    // T_k(cos t) = cos(k t) and T_k'(cos t) = k sin(k t) / sin(t).
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> coefficient(-1e5, 1e5);
    const std::uint32_t n = 13;
    std::vector<double> words{500.0, 250.0};
    for (std::uint32_t i = 0; i < 3 * n; ++i) words.push_back(coefficient(random) / (1 + i % n));
    for (double x : {-0.999, -0.6, -0.05, 0.0, 0.3, 0.77, 0.999}) {
        auto state = record_state(words, 500.0 + 250.0 * x);
        ASSERT_TRUE(state);
        double t = std::acos(x);
        for (int c = 0; c < 3; ++c) {
            double p = 0, d = 0, scale = 0;
            for (std::uint32_t k = 0; k < n; ++k) {
                double ck = words[2 + c * n + k];
                p += ck * std::cos(k * t);
                d += ck * k * std::sin(k * t) / std::sin(t);
                scale += std::fabs(ck) * k * k;
            }
            EXPECT_NEAR(state->position[c], p, 1e-13 * scale) << x;
            EXPECT_NEAR(state->velocity[c], d / 250.0, 1e-13 * scale) << x;
        }
    }
}

TEST(Type2Record, RefusesBadMidpointsRadiiAndCoefficients) {
    std::vector<double> words{0.0, 10.0, 1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(record_state(words, 10.0));
    EXPECT_EQ(error_text(record_state(words, std::nextafter(10.0, 11.0))),
              "invalid SPK Type 2 segment: selected record does not cover the requested epoch");
    for (double radius : {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        std::vector<double> bad = words;
        bad[1] = radius;
        EXPECT_EQ(error_text(record_state(bad, 0.0)),
                  "invalid SPK Type 2 segment: record midpoint and radius must be finite and valid");
    }
    for (std::size_t at = 2; at < words.size(); ++at) {
        std::vector<double> bad = words;
        bad[at] = std::nan("");
        EXPECT_EQ(error_text(record_state(bad, 0.0)),
                  "invalid SPK Type 2 segment: Chebyshev coefficients and argument must be finite")
            << at;
    }
}

TEST_P(Type2, DirectoryMustDescribeTheSegment) {
    auto directory_error = [&](auto change, std::int32_t extra_words = 0) {
        Type2Data data = marker_type2(0, 10, 3, 2);
        change(data);
        SpkFile file;
        SegmentSpec segment = type2_segment(301, 3, 0, 30, data);
        segment.words.insert(segment.words.end() - 4, extra_words, 0.0);
        file.segments.push_back(segment);
        SpkKernel kernel = kernel_of(file, "directory.bsp");
        return error_at(kernel, 5);
    };
    EXPECT_EQ(directory_error([](Type2Data&) {}), "(no error)");
    EXPECT_EQ(directory_error([](Type2Data& d) { d.rsize_word = 6; }),
              "invalid SPK Type 2 segment: record size does not describe three equal coefficient sets");
    EXPECT_EQ(directory_error([](Type2Data& d) { d.rsize_word = 2.5; }), "invalid SPK Type 2 segment: record size");
    EXPECT_EQ(directory_error([](Type2Data& d) { d.rsize_word = 0; }), "invalid SPK Type 2 segment: record size");
    EXPECT_EQ(directory_error([](Type2Data& d) { d.rsize_word = 4294967296.0; }),
              "invalid SPK Type 2 segment: record size");
    // More coefficients than any Chebyshev degree in use needs.
    EXPECT_EQ(directory_error([](Type2Data& d) { d.rsize_word = 2 + 3 * (TYPE2_MAX_COEFFICIENTS + 1); }),
              "invalid SPK Type 2 segment: record size");
    EXPECT_EQ(directory_error([](Type2Data& d) { d.count_word = 0; }), "invalid SPK Type 2 segment: record count");
    EXPECT_EQ(directory_error([](Type2Data& d) { d.count_word = std::nan(""); }),
              "invalid SPK Type 2 segment: record count");
    for (double intlen : {0.0, -10.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(directory_error([&](Type2Data& d) { d.intlen = intlen; }),
                  "invalid SPK Type 2 segment: directory epoch and interval length must be finite and valid");
    }
    EXPECT_EQ(directory_error([](Type2Data& d) { d.init = std::nan(""); }),
              "invalid SPK Type 2 segment: directory epoch and interval length must be finite and valid");
    EXPECT_EQ(directory_error([](Type2Data& d) { d.count_word = 4294967295.0; }),
              "invalid SPK Type 2 segment: segment word count overflowed");
    EXPECT_EQ(directory_error([](Type2Data& d) { d.count_word = 4; }),
              "invalid SPK Type 2 segment: directory size does not match the segment address range");
    EXPECT_EQ(directory_error([](Type2Data&) {}, 1),
              "invalid SPK Type 2 segment: directory size does not match the segment address range");
}

TEST_P(Type2, AddressesOutsideTheFileAreReadErrors) {
    SpkFile file;
    SegmentSpec segment = type2_segment(301, 3, 0, 30, marker_type2(0, 10, 3));
    segment.end_address_shift = 100000;  // the directory lies past the end of the file
    file.segments.push_back(segment);
    SpkKernel kernel = kernel_of(file, "past_end.bsp");
    EXPECT_EQ(error_at(kernel, 5), "failed to read SPK kernel: failed to fill whole buffer");

    // A summary whose last word is word 3 leaves no room for the directory.
    DafImage image = SpkFile{{type2_segment(301, 3, 0, 30, marker_type2(0, 10, 3))}}.image(big_endian());
    image.put_i32(1024 + 24 + 32, 1);
    image.put_i32(1024 + 24 + 36, 3);
    SpkKernel low = open_kernel(write("low.bsp", image));
    auto segments = low.segments();
    ASSERT_TRUE(segments);
    auto states = segment_states(low, segment_loc(segments->front()), std::vector<double>{5.0});
    EXPECT_EQ(error_text(states), "invalid SPK Type 2 segment: DAF word addresses are one-based");
}

TEST_P(Type2, ReadWordsIsOneBasedAndBounded) {
    SpkKernel kernel = kernel_of(marker_type2(0, 10, 3), 0, 30);
    EXPECT_EQ(error_text(kernel.read_words(0, 4)), "invalid SPK Type 2 segment: DAF word addresses are one-based");
    auto none = kernel.read_words(5, 0);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
    auto first = kernel.read_words(segment_.start_address, 3);
    ASSERT_TRUE(first);
    EXPECT_EQ((*first)[0], 5.0);   // MID of record 0
    EXPECT_EQ((*first)[1], 5.0);   // RADIUS
    EXPECT_EQ((*first)[2], 1.0);   // x marker
    // Far more words than the file holds fail before anything is allocated.
    EXPECT_EQ(error_text(kernel.read_words(1, std::size_t{1} << 40)),
              "failed to read SPK kernel: failed to fill whole buffer");
    EXPECT_EQ(error_text(kernel.read_words(std::int64_t{1} << 61, 1)),
              "failed to read SPK kernel: invalid seek to a negative or overflowing position");
}

TEST_P(Type2, TypeAndCoverageAreCheckedBeforeReading) {
    SpkKernel kernel = kernel_of(marker_type2(0, 10, 3), 0, 30);
    SegmentLoc other = segment_;
    other.data_type = 5;
    std::uint64_t reads = kernel.source().read_count();
    EXPECT_EQ(error_text(segment_states(kernel, other, std::vector<double>{})),
              "unsupported SPK segment type 5");
    auto empty = segment_states(kernel, segment_, std::vector<double>{});
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
    EXPECT_EQ(error_text(evaluate(kernel, {5, 40, std::nan("")})), "TDB epoch 40 is outside segment coverage [0, 30]");
    EXPECT_EQ(kernel.source().read_count(), reads);
}

// One epoch through evaluate_one_into is evaluate_into with one epoch: the
// same states, positions and accelerations to the bit, and the same errors
// (coverage, the records' own, an unsupported type).
TEST_P(Type2, OneEpochIsTheBatchOfOne) {
    SpkKernel kernel = kernel_of(marker_type2(-100, 50, 4), -200, 200);
    SegmentLoc unsupported = segment_;
    unsupported.data_type = 5;
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    for (const SegmentLoc& segment : {segment_, unsupported}) {
        for (double epoch : {-100.0, -50.0, -20.0, 0.0, 49.999, 100.0, 120.0, 150.0, -100.5, 201.0, nan, -inf}) {
            for (Evaluated evaluated : {Evaluated::States, Evaluated::Positions}) {
                for (bool with_acceleration : {false, true}) {
                    StateVector batch{}, one{};
                    Vector3 batch_acceleration{}, one_acceleration{};
                    auto expected = kernel.evaluate_into(
                        segment, std::span<const double>(&epoch, 1), std::span<StateVector>(&batch, 1),
                        with_acceleration ? std::span<Vector3>(&batch_acceleration, 1) : std::span<Vector3>(), true,
                        evaluated);
                    auto done = kernel.evaluate_one_into(segment, epoch, one,
                                                         with_acceleration ? &one_acceleration : nullptr, true,
                                                         evaluated);
                    ASSERT_EQ(done.has_value(), expected.has_value()) << epoch;
                    if (!done) {
                        EXPECT_EQ(error_text(done), error_text(expected)) << epoch;
                        continue;
                    }
                    EXPECT_TRUE(same_bits(one, batch)) << epoch;
                    for (int c = 0; c < 3; ++c) EXPECT_TRUE(same_bits(one_acceleration[c], batch_acceleration[c]));
                }
            }
        }
    }
}

TEST_P(Type2, BatchesReadTheirRecordsInOneReadAndKeepTheInputOrder) {
    SpkKernel kernel = kernel_of(marker_type2(0, 10, 5), 0, 50);
    std::vector<double> epochs{45, 2, 33, 8, 45, 0, 31, 50};
    std::uint64_t reads = kernel.source().read_count();
    auto states = evaluate(kernel, epochs);
    ASSERT_TRUE(states) << error_text(states);
    // The directory, then records 0 to 4 together.
    EXPECT_EQ(kernel.source().read_count() - reads, 2u);
    std::vector<double> markers{4001, 1, 3001, 1, 4001, 1, 3001, 4001};
    for (std::size_t i = 0; i < epochs.size(); ++i) EXPECT_EQ((*states)[i].position[0], markers[i]) << i;

    // Again, and single epochs in the records held: no read, the same bits.
    reads = kernel.source().read_count();
    auto again = evaluate(kernel, epochs);
    ASSERT_TRUE(again);
    for (std::size_t i = 0; i < epochs.size(); ++i) EXPECT_TRUE(same_bits((*states)[i], (*again)[i]));
    for (double epoch : {12.0, 41.5, 50.0}) EXPECT_EQ(marker_at(kernel, epoch), epoch == 12.0 ? 1001 : 4001);
    EXPECT_EQ(kernel.source().read_count(), reads);

    // One epoch reads its own record only.
    SpkKernel fresh = kernel_of(marker_type2(0, 10, 5), 0, 50);
    reads = fresh.source().read_count();
    EXPECT_EQ(marker_at(fresh, 12), 1001);
    EXPECT_EQ(marker_at(fresh, 18), 1001);
    EXPECT_EQ(fresh.source().read_count() - reads, 2u);  // the directory and record 1
    EXPECT_EQ(marker_at(fresh, 45), 4001);
    EXPECT_EQ(fresh.source().read_count() - reads, 3u);
}

// A file cut short after opening (a download repeated in place): the records
// left whole still serve, and a batch reaching past them gets the read error.
TEST_P(Type2, AFileCutShortServesTheRecordsLeftWhole) {
    SpkKernel kernel = kernel_of(marker_type2(0, 10, 5), 0, 50, "cut.bsp");
    EXPECT_EQ(marker_at(kernel, 45), 4001);  // the directory, then record 4 alone
    const auto rsize = static_cast<std::uintmax_t>((*kernel.read_words(std::int64_t{segment_.end_address} - 3, 4))[2]);
    std::filesystem::resize_file(dir_.path() / "cut.bsp", (segment_.start_address - 1 + 2 * rsize) * 8);
    auto states = evaluate(kernel, {5, 15});
    ASSERT_TRUE(states) << error_text(states);
    EXPECT_EQ((*states)[0].position[0], 1);
    EXPECT_EQ((*states)[1].position[0], 1001);
    EXPECT_EQ(error_text(evaluate(kernel, {5, 25})), "failed to read SPK kernel: failed to fill whole buffer");
}

// A segment of many Chebyshev records with varied coefficients.
SpkFile chebyshev_file() {
    SpkFile file;
    Type2Data data = make_type2(-1000, 250, 8, 9, [](std::uint32_t k, int component, std::uint32_t degree) {
        return std::sin(1.0 + k * 0.37 + component * 1.9 + degree * 0.77) * 1e6 / (1 + degree * degree);
    });
    file.segments.push_back(type2_segment(301, 3, -1000, 1000, data, "MOON"));
    return file;
}

std::vector<double> spread_epochs() {
    std::vector<double> epochs;
    for (int i = 0; i <= 400; ++i) epochs.push_back(-1000 + 5.0 * i);
    epochs.push_back(std::nextafter(-750.0, 0.0));
    epochs.push_back(std::nextafter(-750.0, -1000.0));
    return epochs;
}

TEST_P(Type2, BigAndLittleEndianGiveTheSameBits) {
    SpkFile file = chebyshev_file();
    TempDir dir;
    std::vector<std::vector<StateVector>> results;
    for (bool big : {false, true}) {
        std::string path = dir.write(std::string(big ? "big" : "little") + ".bsp", file.image(big));
        SpkKernel kernel = open_kernel(path);
        auto segments = kernel.segments();
        ASSERT_TRUE(segments);
        auto states = segment_states(kernel, segment_loc(segments->front()), spread_epochs());
        ASSERT_TRUE(states) << error_text(states);
        results.push_back(*states);
    }
    for (std::size_t r = 1; r < results.size(); ++r) {
        for (std::size_t i = 0; i < results[0].size(); ++i) EXPECT_TRUE(same_bits(results[0][i], results[r][i])) << r;
    }
}

// A call whose results are not kept for a repeat leaves the earlier call's
// for its repeat, and its own repeat is evaluated afresh, both to the bit.
TEST_P(Type2, ACallNotKeptLeavesTheEarlierOneForItsRepeat) {
    std::string path = write("kept.bsp", chebyshev_file());
    SpkKernel kernel = open_kernel(path);
    auto segments = kernel.segments();
    ASSERT_TRUE(segments);
    const SegmentLoc segment = segment_loc(segments->front());
    const std::vector<double> kept = spread_epochs();
    const std::vector<double> other(kept.begin() + 1, kept.end() - 1);
    auto expected_kept = segment_states(kernel, segment, kept);
    auto expected_other = segment_states(kernel, segment, other);
    ASSERT_TRUE(expected_kept) << error_text(expected_kept);
    ASSERT_TRUE(expected_other) << error_text(expected_other);

    const std::vector<std::pair<const std::vector<double>*, bool>> calls = {
        {&kept, true}, {&other, false}, {&kept, false}, {&other, false}, {&kept, true}};
    for (const auto& [epochs, keep] : calls) {
        std::vector<StateVector> states(epochs->size());
        auto done = kernel.evaluate_into(segment, *epochs, states, {}, keep);
        ASSERT_TRUE(done) << error_text(done);
        const std::vector<StateVector>& expected = epochs == &kept ? *expected_kept : *expected_other;
        for (std::size_t i = 0; i < states.size(); ++i) EXPECT_TRUE(same_bits(states[i], expected[i])) << i;
    }
}

// Positions alone, of many epochs (two records at once) or of one, are the
// states' positions to the bit with zero velocities, and are never kept: the
// states asked next at the same epochs come whole, velocities and all.
TEST_P(Type2, PositionsAloneAreTheStatesPositionsAndNeverStandForStates) {
    std::string path = write("positions.bsp", chebyshev_file());
    SpkKernel kernel = open_kernel(path);
    auto segments = kernel.segments();
    ASSERT_TRUE(segments);
    const SegmentLoc segment = segment_loc(segments->front());
    const std::vector<double> many = spread_epochs();
    const std::vector<double> elsewhere = {-999.5, 3.25};
    for (const std::vector<double>& epochs : {many, std::vector<double>{many[37]}, std::vector<double>{many[400]}}) {
        auto expected = segment_states(kernel, segment, epochs);
        ASSERT_TRUE(expected) << error_text(expected);
        for (const std::vector<double>* before : {&elsewhere, &epochs}) {
            // Whatever the segment last kept (other epochs, or these).
            ASSERT_TRUE(segment_states(kernel, segment, *before));
            std::vector<StateVector> positions(epochs.size());
            auto done = kernel.evaluate_into(segment, epochs, positions, {}, true, Evaluated::Positions);
            ASSERT_TRUE(done) << error_text(done);
            for (std::size_t i = 0; i < epochs.size(); ++i) {
                for (int c = 0; c < 3; ++c) {
                    EXPECT_TRUE(same_bits(positions[i].position[c], (*expected)[i].position[c])) << i;
                    if (before == &elsewhere) EXPECT_EQ(positions[i].velocity[c], 0.0) << i;
                }
            }
            std::vector<StateVector> states(epochs.size());
            ASSERT_TRUE(kernel.evaluate_into(segment, epochs, states));
            for (std::size_t i = 0; i < epochs.size(); ++i) EXPECT_TRUE(same_bits(states[i], (*expected)[i])) << i;
        }
    }
}

// One record evaluated alone or two at once give the same positions.
TEST(Type2Record, PositionPairsAreEachPositionAlone) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> coefficient(-1e6, 1e6), argument(-1.0, 1.0);
    for (std::size_t n : {1u, 2u, 3u, 13u}) {
        std::vector<double> a{0.0, 1.0}, b{0.0, 1.0};
        for (std::size_t i = 0; i < 3 * n; ++i) {
            a.push_back(coefficient(random));
            b.push_back(coefficient(random));
        }
        for (int trial = 0; trial < 20; ++trial) {
            const double x_a = argument(random), x_b = argument(random);
            StateVector pa, pb;
            type2_position_pair(a.data(), b.data(), n, x_a, x_b, pa, pb);
            const StateVector sa = type2_state(a.data(), n, x_a), sb = type2_state(b.data(), n, x_b);
            for (int c = 0; c < 3; ++c) {
                EXPECT_TRUE(same_bits(pa.position[c], sa.position[c])) << n;
                EXPECT_TRUE(same_bits(pb.position[c], sb.position[c])) << n;
                EXPECT_TRUE(same_bits(type2_position(a.data(), n, x_a).position[c], sa.position[c])) << n;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Spk, Type2, ::testing::Bool(), byte_order_name);

}  // namespace
}  // namespace orvane::test
