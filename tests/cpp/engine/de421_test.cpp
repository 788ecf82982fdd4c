// DE421 against jplephem: barycentric states of every target over the whole
// kernel, record boundaries and both ends included.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "spk/center_chain.hpp"
#include "engine/engine.hpp"
#include "spk_test_support.hpp"

namespace orvane::test {
namespace {

struct ReferenceRow {
    double epoch;
    StateVector state;
};

std::string de421_path() {
    std::ifstream in(std::string(ORVANE_REFERENCE_DIR) + "/spk_de421_path.txt");
    std::string path;
    std::getline(in, path);
    return path;
}

std::map<std::int32_t, std::vector<ReferenceRow>> reference_states() {
    std::ifstream in(std::string(ORVANE_REFERENCE_DIR) + "/spk_de421_states.csv");
    std::map<std::int32_t, std::vector<ReferenceRow>> rows;
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::stringstream fields(line);
        std::string field;
        std::vector<double> values;
        while (std::getline(fields, field, ',')) values.push_back(std::stod(field));
        ReferenceRow row{values[1], {{values[2], values[3], values[4]}, {values[5], values[6], values[7]}}};
        rows[static_cast<std::int32_t>(values[0])].push_back(row);
    }
    return rows;
}

std::vector<double> epochs_of(const std::vector<ReferenceRow>& rows) {
    std::vector<double> epochs;
    for (const ReferenceRow& row : rows) epochs.push_back(row.epoch);
    return epochs;
}

class De421 : public ::testing::Test {
protected:
    static void SetUpTestSuite() { reference_ = new auto(reference_states()); }
    static void TearDownTestSuite() {
        delete reference_;
        reference_ = nullptr;
    }
    static std::map<std::int32_t, std::vector<ReferenceRow>>* reference_;
};
std::map<std::int32_t, std::vector<ReferenceRow>>* De421::reference_ = nullptr;

TEST_F(De421, EveryTargetAgreesWithJplephem) {
    auto engine = SpkOrvane::open(de421_path(), std::string(64, 'a'));
    ASSERT_TRUE(engine) << engine.error().message();
    EXPECT_EQ(engine->supported_range.start_julian_day, 2414864.5);
    EXPECT_EQ(engine->supported_range.end_julian_day, 2471184.5);
    auto segments = engine->kernels[0].segments();
    ASSERT_TRUE(segments);
    ASSERT_EQ(reference_->size(), segments->size());
    for (const SpkSegment& segment : *segments) {
        const auto& rows = reference_->at(segment.target);
        ASSERT_GE(rows.size(), 1000u);
        auto states = barycentric_states_across_kernels(engine->kernels, segment.target, epochs_of(rows));
        ASSERT_TRUE(states) << error_text(states);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const StateVector& ours = (*states)[i];
            const StateVector& theirs = rows[i].state;
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(ours.position[c], theirs.position[c], 1e-12 * std::fabs(theirs.position[c]) + 1e-6)
                    << segment.target << " at " << rows[i].epoch;
                EXPECT_NEAR(ours.velocity[c], theirs.velocity[c], 1e-12 * std::fabs(theirs.velocity[c]) + 1e-12)
                    << segment.target << " at " << rows[i].epoch;
            }
        }
    }
}

TEST_F(De421, BatchesAndSingleEpochsGiveTheSameBits) {
    std::vector<SpkKernel> kernels;
    kernels.push_back(open_kernel(de421_path()));
    for (std::int32_t target : {301, 399, 10, 4, 499}) {
        std::vector<double> epochs = epochs_of(reference_->at(target));
        std::reverse(epochs.begin(), epochs.end());
        auto batch = barycentric_states_across_kernels(kernels, target, epochs);
        ASSERT_TRUE(batch);
        for (std::size_t i = 0; i < epochs.size(); i += 7) {
            auto single = barycentric_state_across_kernels(kernels, target, epochs[i]);
            ASSERT_TRUE(single);
            EXPECT_TRUE(same_bits((*batch)[i], *single)) << target << " at " << epochs[i];
        }
    }
}

// A chain's acceleration is the sum of its links' (the Moon's: 301 -> 3 -> 0),
// each from the evaluation that gives its state: against the central
// difference of the barycentric velocities, with the states unchanged.
TEST_F(De421, ChainAccelerationsAreTheRateOfTheBarycentricVelocities) {
    auto engine = SpkOrvane::open(de421_path(), std::string(64, 'a'));
    ASSERT_TRUE(engine) << engine.error().message();
    constexpr double h = 100.0;
    for (std::int32_t target : {301, 399, 10, 4}) {
        std::vector<double> epochs, before, after;
        for (int k = 0; k < 200; ++k) {
            epochs.push_back(-1.5e9 + 1.5e7 * k + 0.25);
            before.push_back(epochs.back() - h);
            after.push_back(epochs.back() + h);
        }
        std::vector<StateVector> states(epochs.size());
        std::vector<Vector3> accelerations(epochs.size());
        ASSERT_TRUE(barycentric_states_into(engine->kernels, target, epochs, states, accelerations));
        auto plain = barycentric_states_across_kernels(engine->kernels, target, epochs);
        auto earlier = barycentric_states_across_kernels(engine->kernels, target, before);
        auto later = barycentric_states_across_kernels(engine->kernels, target, after);
        ASSERT_TRUE(plain && earlier && later);
        for (std::size_t i = 0; i < epochs.size(); ++i) {
            const double scale = std::hypot(accelerations[i][0], accelerations[i][1], accelerations[i][2]);
            ASSERT_GT(scale, 0.0);
            EXPECT_TRUE(same_bits(states[i], (*plain)[i])) << target << " at " << epochs[i];
            for (int c = 0; c < 3; ++c) {
                const double difference = ((*later)[i].velocity[c] - (*earlier)[i].velocity[c]) / (2 * h);
                EXPECT_NEAR(accelerations[i][c], difference, 1e-7 * scale) << target << " at " << epochs[i];
            }
        }
    }
}

}  // namespace
}  // namespace orvane::test
