// Segment types 3, 13 and 21: states of crafted kernels against CSPICE reading
// the same files, and malformed segments.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "spk_test_support.hpp"

namespace orvane::test {
namespace {

struct Reference {
    std::vector<double> epochs;
    std::vector<StateVector> states;
};

// type -> target -> CSPICE's states of the target about its center.
std::map<int, std::map<std::int32_t, Reference>> cspice_states() {
    std::ifstream in(std::string(ORVANE_REFERENCE_DIR) + "/spk_types_states.csv");
    std::map<int, std::map<std::int32_t, Reference>> out;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::stringstream fields(line);
        std::vector<double> v;
        for (std::string field; std::getline(fields, field, ',');) v.push_back(std::stod(field));
        Reference& r = out[int(v[0])][std::int32_t(v[1])];
        r.epochs.push_back(v[3]);
        r.states.push_back({{v[4], v[5], v[6]}, {v[7], v[8], v[9]}});
    }
    return out;
}

double relative(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    double difference = 0, norm = 0;
    for (int i = 0; i < 3; ++i) {
        difference = std::max(difference, std::fabs(a[i] - b[i]));
        norm = std::max(norm, std::fabs(b[i]));
    }
    return difference / norm;
}

TEST(SegmentTypes, AgreeWithCspiceReadingTheSameFiles) {
    auto reference = cspice_states();
    ASSERT_EQ(reference.size(), 3u);
    for (auto& [type, targets] : reference) {
        SpkKernel kernel = open_kernel(std::string(ORVANE_REFERENCE_DIR) + "/spk_type" + std::to_string(type) + ".bsp");
        auto segments = kernel.segments();
        ASSERT_TRUE(segments) << error_text(segments);
        double worst_position = 0, worst_velocity = 0;
        for (auto& [target, r] : targets) {
            auto segment = std::find_if(segments->begin(), segments->end(),
                                        [&](const SpkSegment& s) { return s.target == target; });
            ASSERT_NE(segment, segments->end());
            std::vector<StateVector> states(r.epochs.size());
            auto done = kernel.evaluate_into(segment_loc(*segment), r.epochs, states);
            ASSERT_TRUE(done) << type << ": " << error_text(done);
            for (std::size_t i = 0; i < states.size(); ++i) {
                worst_position = std::max(worst_position, relative(states[i].position, r.states[i].position));
                worst_velocity = std::max(worst_velocity, relative(states[i].velocity, r.states[i].velocity));
            }
        }
        EXPECT_LT(worst_position, 1e-12) << "Type " << type;
        EXPECT_LT(worst_velocity, 1e-12) << "Type " << type;
        std::cout << "Type " << type << " worst relative difference from CSPICE: position " << worst_position
                  << ", velocity " << worst_velocity << "\n";
    }
}

// Words of a Type 21 segment of `count` records with MAXDIM = 2 whose
// final epochs are 10, 20, ...; `record` edits each record.
std::vector<double> type21_words(double count, double dimension = 2, std::vector<double> record = {}) {
    if (record.empty()) record = {0, 1, 1, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 2, 1, 1, 1};
    std::vector<double> words;
    for (int k = 0; k < int(count); ++k) words.insert(words.end(), record.begin(), record.end());
    for (int k = 0; k < int(count); ++k) words.push_back(10.0 * (k + 1));
    words.insert(words.end(), {dimension, count});
    return words;
}

// Words of a Type 13 segment: states at epochs 0, 10, ..., window size less one, N.
std::vector<double> type13_words(double count, double window_less_one, std::vector<double> epochs = {}) {
    std::vector<double> words;
    for (int k = 0; k < int(count); ++k) words.insert(words.end(), {1.0 * k, 0, 0, 0.1, 0, 0});
    if (epochs.empty()) {
        for (int k = 0; k < int(count); ++k) epochs.push_back(10.0 * k);
    }
    words.insert(words.end(), epochs.begin(), epochs.end());
    words.insert(words.end(), {window_less_one, count});
    return words;
}

TEST(SegmentTypes, MalformedSegmentsAreErrors) {
    struct Case {
        const char* what;
        std::int32_t type;
        std::vector<double> words;
        double epoch;
        const char* error;
    };
    const std::vector<Case> cases{
        {"Type 3 record size", 3, {5, 5, 1, 2, 3, 4, 5, 6, 7, 0, 10, 9, 1}, 5,
         "invalid SPK Type 3 segment: record size does not describe six equal coefficient sets"},
        {"Type 3 count", 3, {5, 5, 1, 2, 3, 4, 5, 6, 0, 10, 8, 0}, 5, "invalid SPK Type 3 segment: record count"},
        {"Type 3 size", 3, {5, 5, 1, 2, 3, 4, 5, 6, 0, 0, 10, 8, 1}, 5,
         "invalid SPK Type 3 segment: directory size does not match the segment address range"},
        {"Type 3 coefficients", 3, {5, 5, 1, 2, 3, NAN, 5, 6, 0, 10, 8, 1}, 5,
         "invalid SPK Type 3 segment: Chebyshev coefficients and argument must be finite"},
        {"Type 13 window", 13, type13_words(20, 14), 5, "invalid SPK Type 13 segment: window size"},
        {"Type 13 window over count", 13, type13_words(3, 3), 5, "invalid SPK Type 13 segment: window size"},
        {"Type 13 count", 13, type13_words(3, 1.5), 5, "invalid SPK Type 13 segment: window size"},
        {"Type 13 count", 13, {0, 0}, 5, "invalid SPK Type 13 segment: state count"},
        {"Type 13 size", 13, [] { auto w = type13_words(4, 1); w.insert(w.begin(), 0.0); return w; }(), 5,
         "invalid SPK Type 13 segment: directory size does not match the segment address range"},
        {"Type 13 epochs", 13, type13_words(4, 3, {0, 10, 10, 30}), 15,
         "invalid SPK Type 13 segment: window epochs and states must be finite and epochs increasing"},
        {"Type 21 dimension", 21, type21_words(2, 26), 5, "invalid SPK Type 21 segment: difference line size"},
        {"Type 21 count", 21, {2, 0}, 5, "invalid SPK Type 21 segment: record count"},
        {"Type 21 size", 21, [] { auto w = type21_words(2); w.insert(w.begin(), 0.0); return w; }(), 5,
         "invalid SPK Type 21 segment: directory size does not match the segment address range"},
        {"Type 21 KQMAX1", 21, type21_words(2, 2, {0, 1, 1, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 4, 1, 1, 1}), 5,
         "invalid SPK Type 21 segment: integration orders"},
        {"Type 21 KQ", 21, type21_words(2, 2, {0, 1, 1, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 2, 1, 2, 1}), 5,
         "invalid SPK Type 21 segment: integration orders"},
        {"Type 21 step", 21, type21_words(2, 2, {0, 0, 0, 1, 1, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, 3, 2, 1, 1}), 5,
         "invalid SPK Type 21 segment: difference line values must be finite"},
        {"Type 21 after the last record", 21, type21_words(2), 25,
         "invalid SPK Type 21 segment: epoch is after the last record"},
        {"Type 5", 5, type21_words(2), 5, "unsupported SPK segment type 5"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SegmentSpec segment;
        segment.target = 2000001;
        segment.center = 10;
        segment.data_type = c.type;
        segment.start_epoch = 0;
        segment.end_epoch = 30;
        segment.words = c.words;
        SpkKernel kernel = open_kernel(dir.write("bad.bsp", SpkFile{{segment}}.image(false)));
        auto segments = kernel.segments();
        ASSERT_TRUE(segments);
        EXPECT_EQ(error_text(segment_states(kernel, segment_loc(segments->front()), {c.epoch})), c.error) << c.what;
    }
}

}  // namespace
}  // namespace orvane::test

namespace orvane::test {
namespace {

// The states at `epochs` and, from a second call, the accelerations; the
// states of both calls must agree bit for bit.
struct StatesAndAccelerations {
    std::vector<StateVector> states;
    std::vector<Vector3> accelerations;
};

StatesAndAccelerations with_accelerations(SpkKernel& kernel, const SegmentLoc& segment,
                                          const std::vector<double>& epochs) {
    StatesAndAccelerations out{std::vector<StateVector>(epochs.size()), std::vector<Vector3>(epochs.size())};
    auto done = kernel.evaluate_into(segment, epochs, out.states, out.accelerations);
    if (!done) throw std::runtime_error(done.error().message());
    return out;
}

// The acceleration of every segment type: for Types 2 and 3 (DE421 and a
// crafted kernel) the polynomials' own derivative, against the central
// difference of the velocities (±1 s); for Types 13 and 21 the change of
// velocity over the 600 seconds before the epoch. The positions and
// velocities of the same call are those of a call without accelerations, bit
// for bit.
TEST(SegmentTypes, AccelerationsAreTheRateOfTheVelocities) {
    std::ifstream de421_in(std::string(ORVANE_REFERENCE_DIR) + "/spk_de421_path.txt");
    std::string de421;
    std::getline(de421_in, de421);
    struct File {
        std::string path;
        bool centred;  // central difference of ±1 s, or the 600 s before
        double tolerance;
    };
    const std::vector<File> files = {
        {de421, true, 1e-6},
        {std::string(ORVANE_REFERENCE_DIR) + "/spk_type3.bsp", true, 1e-6},
        {std::string(ORVANE_REFERENCE_DIR) + "/spk_type13.bsp", false, 1e-9},
        {std::string(ORVANE_REFERENCE_DIR) + "/spk_type21.bsp", false, 1e-9},
    };
    for (const File& file : files) {
        SpkKernel kernel = open_kernel(file.path);
        auto segments = kernel.segments();
        ASSERT_TRUE(segments) << error_text(segments);
        const double before_step = file.centred ? 1.0 : FINITE_ACCELERATION_STEP_SECONDS;
        const double after_step = file.centred ? 1.0 : 0.0;
        double worst = 0.0;
        for (const SpkSegment& listed : *segments) {
            const SegmentLoc segment = segment_loc(listed);
            std::vector<double> epochs, before, after;
            for (int k = 0; k < 40; ++k) {
                // Away from record boundaries, where fitted velocities jump.
                const double epoch = listed.start_epoch + (listed.end_epoch - listed.start_epoch) * (k + 0.37) / 40.0;
                epochs.push_back(epoch);
                before.push_back(epoch - before_step);
                after.push_back(epoch + after_step);
            }
            const StatesAndAccelerations found = with_accelerations(kernel, segment, epochs);
            auto plain = segment_states(kernel, segment, epochs);
            auto earlier = segment_states(kernel, segment, before);
            auto later = segment_states(kernel, segment, after);
            ASSERT_TRUE(plain && earlier && later);
            double scale = 0.0;
            for (const Vector3& a : found.accelerations) {
                for (double component : a) scale = std::max(scale, std::fabs(component));
            }
            // A body at its system's barycenter (DE421's Mercury and Venus) has
            // no acceleration there, nor any velocity to difference.
            if (scale == 0.0) scale = 1.0;
            for (std::size_t i = 0; i < epochs.size(); ++i) {
                EXPECT_TRUE(same_bits(found.states[i], (*plain)[i])) << file.path << " " << listed.target << " " << i;
                for (int c = 0; c < 3; ++c) {
                    const double difference =
                        ((*later)[i].velocity[c] - (*earlier)[i].velocity[c]) / (before_step + after_step);
                    worst = std::max(worst, std::fabs(found.accelerations[i][c] - difference) / scale);
                }
            }
        }
        EXPECT_LT(worst, file.tolerance) << file.path;
        std::cout << file.path << ": worst relative difference of the accelerations " << worst << "\n";
    }
}

// A segment asked for the epochs of its last call serves what that call
// found; other epochs, or accelerations that call did not find, are
// evaluated afresh.
TEST(SegmentTypes, ARepeatedCallGivesWhatAFreshKernelGives) {
    std::ifstream de421_in(std::string(ORVANE_REFERENCE_DIR) + "/spk_de421_path.txt");
    std::string de421;
    std::getline(de421_in, de421);
    SpkKernel kernel = open_kernel(de421);
    SpkKernel fresh = open_kernel(de421);
    auto segments = kernel.segments();
    ASSERT_TRUE(segments);
    const auto moon = std::find_if(segments->begin(), segments->end(), [](const SpkSegment& s) { return s.target == 301; });
    ASSERT_NE(moon, segments->end());
    const SegmentLoc segment = segment_loc(*moon);
    const std::vector<double> first = {1.0e8, 1.0e8 + 3600.0}, second = {2.0e8, 2.0e8 + 3600.0};
    for (const auto& epochs : {first, first, second, first}) {
        auto again = segment_states(kernel, segment, epochs);
        auto reference = segment_states(fresh, segment, epochs);
        ASSERT_TRUE(again && reference);
        for (std::size_t i = 0; i < epochs.size(); ++i) EXPECT_TRUE(same_bits((*again)[i], (*reference)[i]));
    }
    // The same epochs, now with accelerations: not left at zero.
    const StatesAndAccelerations found = with_accelerations(kernel, segment, first);
    const StatesAndAccelerations reference = with_accelerations(fresh, segment, first);
    for (std::size_t i = 0; i < first.size(); ++i) {
        for (int c = 0; c < 3; ++c) EXPECT_TRUE(same_bits(found.accelerations[i][c], reference.accelerations[i][c]));
        EXPECT_NE(found.accelerations[i][0], 0.0);
    }
    // Without accelerations after a call with them: the states alone, the same bits.
    auto plain = segment_states(kernel, segment, first);
    ASSERT_TRUE(plain);
    for (std::size_t i = 0; i < first.size(); ++i) EXPECT_TRUE(same_bits((*plain)[i], reference.states[i]));
}

}  // namespace
}  // namespace orvane::test
