// Apparent places in vector lanes: each lane the bits of the instant alone
// whatever its lane, neighbours and fill count; a failing lane leaves the
// others alone; the scalar road (settle_light_time, the corrections and
// position_from_state, the same templates on one double) gives the same bits;
// and a DE421 batch against that road over many instants.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "core/constants.hpp"
#include "engine/apparent_lanes.hpp"
#include "engine/engine.hpp"
#include "engine/instant_frame.hpp"
#include "engine/relative_state.hpp"
#include "engine/request_options.hpp"

namespace orvane::test {
namespace {

// One instant's inputs: an Earth-like observer, a Sun near the barycentre,
// a target near (Moon-like) or far (planet-like), its state read at the
// retarded epoch.
struct InstantInputs {
    StateVector observer, sun, target;
    Vector3 acceleration;
    double epoch, retarded;
    OutputFrame frame;
};

struct Case {
    bool light_time, deflection, aberration;
    OutputFrame::Kind frame;
    bool equatorial;
};

std::vector<InstantInputs> inputs(const Case& c, std::size_t count, bool far) {
    std::vector<InstantInputs> out;
    for (std::size_t k = 0; k < count; ++k) {
        const double day = 2451545.0 - 30000.0 + 1234.567 * k;
        const double theta = 0.0172 * (day - 2451545.0) + 0.3 * std::sin(0.7 * k);
        const double eps = 0.40909;
        InstantInputs in;
        in.observer.position = {AU_KM * std::cos(theta), AU_KM * std::sin(theta) * std::cos(eps),
                                AU_KM * std::sin(theta) * std::sin(eps)};
        in.observer.velocity = {-29.8 * std::sin(theta), 29.8 * std::cos(theta) * std::cos(eps),
                                29.8 * std::cos(theta) * std::sin(eps)};
        in.acceleration = {-5.9e-6 * std::cos(theta), -5.9e-6 * std::sin(theta), 1e-9 * k};
        in.sun.position = {4.0e5 * std::cos(0.11 * k), 7.0e5 * std::sin(0.13 * k), -2.0e4 + 100.0 * k};
        in.sun.velocity = {0.01 * std::sin(0.3 * k), -0.012, 0.0003 * k};
        const double phi = 1.9 * k + 0.4, reach = far ? 5.2 * AU_KM * (1.0 + 0.01 * k) : 384400.0 + 900.0 * k;
        in.target.position = {in.observer.position[0] + reach * std::cos(phi),
                              in.observer.position[1] + reach * std::sin(phi) * 0.97,
                              in.observer.position[2] + reach * 0.24 * std::sin(3.0 * phi)};
        in.target.velocity = {in.observer.velocity[0] + 1.02 * std::sin(phi),
                              in.observer.velocity[1] - 0.98 * std::cos(phi), 0.05 * std::cos(phi)};
        in.epoch = (day - J2000_JULIAN_DAY) * SECONDS_PER_DAY;
        in.retarded = in.epoch - light_time_seconds(in.target, in.observer) * (1.0 + 1e-9);
        in.frame = OutputFrame{c.frame, {}};
        if (c.frame == OutputFrame::Kind::OfDate) in.frame.rotation = OfDateRotation(k % 2 == 0, c.equatorial, day);
        out.push_back(in);
    }
    return out;
}

// The positions of instants [first, first + count) as one group.
unsigned group_positions(const Case& c, const std::vector<InstantInputs>& in, std::size_t first, std::size_t count,
                         Position* out) {
    std::vector<StateVector> observers, suns, targets;
    std::vector<Vector3> accelerations;
    std::vector<OutputFrame> frames;
    std::vector<double> epochs, retarded;
    for (std::size_t k = first; k < first + count; ++k) {
        observers.push_back(in[k].observer);
        suns.push_back(in[k].sun);
        targets.push_back(in[k].target);
        accelerations.push_back(in[k].acceleration);
        frames.push_back(in[k].frame);
        epochs.push_back(in[k].epoch);
        retarded.push_back(in[k].retarded);
    }
    ApparentInstants instants;
    gather_apparent_instants(observers.data(), accelerations.data(), frames.data(), count, instants);
    if (c.deflection) gather_apparent_sun(suns.data(), instants);
    const ApparentSettings settings{c.light_time, c.aberration, c.frame, c.equatorial};
    return apparent_positions(instants, targets.data(), epochs.data(), retarded.data(), c.deflection, settings, out);
}

// Today's scalar road for one instant.
std::expected<Position, OrvaneError> scalar_position(const Case& c, const InstantInputs& in) {
    StateVector target = in.target;
    if (c.light_time) target = settle_light_time(target, in.epoch - in.retarded, in.observer);
    const StateCorrections corrections{c.light_time, c.deflection, c.aberration, false};
    const StateVector relative = corrected_relative_state(target, in.observer, in.acceleration,
                                                          c.deflection ? &in.sun : nullptr, corrections);
    return position_from_state(relative, in.frame, 301, in.epoch / SECONDS_PER_DAY + J2000_JULIAN_DAY);
}

bool same_bits(const Position& a, const Position& b) { return std::memcmp(&a, &b, sizeof(Position)) == 0; }

class Lanes : public ::testing::TestWithParam<Case> {};

TEST_P(Lanes, EveryLaneAndFillCountGivesTheInstantAloneAndTheScalarRoadWithinItsLastBits) {
    const Case& c = GetParam();
    for (bool far : {false, true}) {
        const std::vector<InstantInputs> in = inputs(c, 40, far);
        std::vector<Position> alone(in.size());
        for (std::size_t k = 0; k < in.size(); ++k) ASSERT_EQ(group_positions(c, in, k, 1, &alone[k]), 0u);
        for (std::size_t count = 1; count <= APPARENT_LANES; ++count) {
            for (std::size_t first = 0; first + count <= in.size(); ++first) {
                Position group[APPARENT_LANES];
                ASSERT_EQ(group_positions(c, in, first, count, group), 0u);
                for (std::size_t j = 0; j < count; ++j) {
                    EXPECT_TRUE(same_bits(group[j], alone[first + j])) << "lane " << j << " of " << count;
                }
            }
        }
        // The scalar road runs the same templates on one double: the same bits.
        for (std::size_t k = 0; k < in.size(); ++k) {
            auto scalar = scalar_position(c, in[k]);
            ASSERT_TRUE(scalar);
            EXPECT_TRUE(same_bits(alone[k], *scalar)) << k;
        }
    }
}

TEST_P(Lanes, AFailingLaneLeavesTheOthersAloneAndFailsOnTheScalarRoadToo) {
    const Case& c = GetParam();
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const std::vector<InstantInputs> in = inputs(c, APPARENT_LANES, false);
    std::vector<Position> alone(in.size());
    for (std::size_t k = 0; k < in.size(); ++k) ASSERT_EQ(group_positions(c, in, k, 1, &alone[k]), 0u);
    enum Fault { NanPosition, InfiniteVelocity, AtTheObserver };
    for (Fault fault : {NanPosition, InfiniteVelocity, AtTheObserver}) {
        for (std::size_t bad = 0; bad < APPARENT_LANES; ++bad) {
            std::vector<InstantInputs> faulty = in;
            if (fault == NanPosition) faulty[bad].target.position[1] = nan;
            if (fault == InfiniteVelocity) faulty[bad].target.velocity[2] = inf;
            if (fault == AtTheObserver) {
                faulty[bad].target = faulty[bad].observer;
                faulty[bad].retarded = faulty[bad].epoch;
            }
            Position group[APPARENT_LANES];
            EXPECT_EQ(group_positions(c, faulty, 0, APPARENT_LANES, group), 1u << bad) << fault;
            for (std::size_t j = 0; j < APPARENT_LANES; ++j) {
                if (j != bad) {
                    EXPECT_TRUE(same_bits(group[j], alone[j])) << fault << " lane " << j;
                }
            }
            auto scalar = scalar_position(c, faulty[bad]);
            ASSERT_FALSE(scalar) << fault;
            const double day = faulty[bad].epoch / SECONDS_PER_DAY + J2000_JULIAN_DAY;
            EXPECT_EQ(scalar.error().message(), fault == AtTheObserver
                                                    ? "spherical position is undefined at origin"
                                                    : OrvaneError::non_finite_state(301, day).message());
        }
    }
}

constexpr OutputFrame::Kind OF_DATE = OutputFrame::Kind::OfDate;
INSTANTIATE_TEST_SUITE_P(
    Engine, Lanes,
    ::testing::Values(Case{true, true, true, OF_DATE, false}, Case{true, true, true, OF_DATE, true},
                      Case{true, false, true, OF_DATE, false}, Case{false, true, false, OF_DATE, false},
                      Case{true, false, false, OutputFrame::Kind::J2000Ecliptic, false},
                      Case{false, false, true, OutputFrame::Kind::J2000Equatorial, true},
                      Case{true, true, true, OutputFrame::Kind::J2000Ecliptic, false}));

std::string de421_path() {
    std::ifstream in(std::string(ORVANE_REFERENCE_DIR) + "/spk_de421_path.txt");
    std::string path;
    std::getline(in, path);
    return path;
}

// A DE421 batch of apparent places against the scalar road instant by
// instant (instant_frame, relative_state_from, position_from_state).
TEST(ApparentLanes, ADe421BatchKeepsToTheScalarRoadOverManyInstants) {
    auto opened = SpkOrvane::open(de421_path(), std::string(64, 'a'));
    ASSERT_TRUE(opened.has_value());
    const SpkOrvane& engine = *opened;
    const std::vector<std::int32_t> bodies{10, 301, 199, 499, 5};
    std::vector<double> days;
    for (int i = 0; i < 3001; ++i) days.push_back(2415100.0 + 18.537 * i);
    for (bool equatorial : {false, true}) {
        PositionOptions options;
        options.reference_epoch = ReferenceEpoch::OfDate;
        options.apparent = true;
        if (equatorial) options.coordinate_system = CoordinateSystem::Equatorial;
        const PositionOptions resolved = *resolve_position_options(options);
        std::vector<double> batch(4 * bodies.size() * days.size());
        ASSERT_TRUE(engine.positions_into(bodies, InstantList(days, TimeScale::Tdb), options, batch).has_value());
        std::size_t differing = 0;
        for (std::size_t i = 0; i < days.size(); ++i) {
            auto frame = instant_frame(engine, resolved, Instant{days[i], TimeScale::Tdb});
            ASSERT_TRUE(frame);
            auto origin = origin_at_epoch(engine.kernels, 399, frame->tdb_seconds, std::nullopt, true);
            ASSERT_TRUE(origin);
            for (std::size_t j = 0; j < bodies.size(); ++j) {
                auto state = relative_state_from(engine.kernels, bodies[j], *origin,
                                                 state_corrections(resolved.corrections, resolved.model));
                ASSERT_TRUE(state);
                auto scalar = position_from_state(*state, frame->frame, bodies[j], days[i]);
                ASSERT_TRUE(scalar);
                differing += std::memcmp(&batch[4 * (i * bodies.size() + j)], &*scalar, sizeof(Position)) != 0;
            }
        }
        EXPECT_EQ(differing, 0u) << (equatorial ? "equatorial" : "ecliptic");
    }
}

}  // namespace
}  // namespace orvane::test
