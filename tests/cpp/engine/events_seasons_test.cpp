// Equinoxes, solstices and lunations: held against skyfield's almanac on the
// same DE421, plus the search's own rules on synthetic angles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "core/angles.hpp"
#include "core/position_options.hpp"
#include "events_test_engine.hpp"
#include "engine/seasons_lunations.hpp"

namespace orvane {
namespace {

using orvane::testing::de421_with_time_kernels;
using orvane::testing::ReferenceTable;

constexpr double SECOND = 1.0 / 86400.0;

struct ReferenceEvent {
    double tt_julian_day;
    double target_deg;
};

std::vector<ReferenceEvent> reference_events(const std::string& file) {
    ReferenceTable table(file);
    std::vector<ReferenceEvent> events;
    for (std::size_t row = 0; row < table.size(); ++row) {
        events.push_back({table.number(row, "tt_jd"), table.number(row, "target_deg")});
    }
    return events;
}

using Search = std::expected<Instant, OrvaneError> (*)(const SpkOrvane&, Instant, double, AstrometryModel);
using Sample = std::expected<LongitudeSample, OrvaneError> (*)(const SpkOrvane&, TimeScale, double, AstrometryModel);

// Every reference event is found from a query `lead_days` before it, in TT,
// where the angle misses the target by less than its motion in 5e-10 days
// (about the last place of the day).
void expect_all_found(const std::vector<ReferenceEvent>& events, Search search, Sample sample, double lead_days) {
    const AstrometryModel model = AstrometryModel::Standard;
    const SpkOrvane& engine = de421_with_time_kernels();
    double worst = 0.0;
    for (const ReferenceEvent& event : events) {
        auto found =
            search(engine, Instant{event.tt_julian_day - lead_days, TimeScale::Tt}, event.target_deg, model);
        ASSERT_TRUE(found) << found.error().message();
        EXPECT_EQ(found->time_scale, TimeScale::Tt);
        const double error = std::abs(found->julian_day - event.tt_julian_day);
        EXPECT_LT(error, SECOND) << "target " << event.target_deg << " at TT " << event.tt_julian_day;
        worst = std::max(worst, error);
        auto at = sample(engine, TimeScale::Tt, found->julian_day, model);
        ASSERT_TRUE(at);
        EXPECT_LT(std::abs(signed_longitude_difference_deg(at->angle_deg, event.target_deg) / at->rate_deg_per_day),
                  5e-10) << "target " << event.target_deg << " at TT " << event.tt_julian_day;
    }
    std::printf("%zu events, largest difference from skyfield %.4f s\n", events.size(), worst / SECOND);
}

TEST(SeasonsLunations, EveryEquinoxAndSolsticeFrom1950To2050MatchesSkyfield) {
    const auto events = reference_events("events_seasons.csv");
    ASSERT_EQ(events.size(), 404u);
    expect_all_found(events, next_sun_longitude, sun_longitude_sample, 10.0);
}

TEST(SeasonsLunations, EveryNewAndFullMoonFrom2000To2030MatchesSkyfield) {
    const auto events = reference_events("events_lunations.csv");
    ASSERT_GT(events.size(), 760u);
    expect_all_found(events, next_sun_moon_elongation, sun_moon_elongation_sample, 5.0);
}

// A query at an event, or within a second before it, gets the following one.
TEST(SeasonsLunations, AnEventAtOrJustAfterTheQueryIsSkipped) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const auto seasons = reference_events("events_seasons.csv");
    const auto lunations = reference_events("events_lunations.csv");
    struct Case {
        Search search;
        ReferenceEvent event, following, previous;
    };
    // Seasons repeat every fourth row, new and full Moons every second row.
    const Case cases[] = {
        {next_sun_longitude, seasons[280], seasons[284], seasons[276]},
        {next_sun_longitude, seasons[283], seasons[287], seasons[279]},
        {next_sun_moon_elongation, lunations[100], lunations[102], lunations[98]},
        {next_sun_moon_elongation, lunations[101], lunations[103], lunations[99]},
    };
    for (const Case& c : cases) {
        auto found = c.search(engine, Instant{c.previous.tt_julian_day + 1.0, TimeScale::Tt}, c.event.target_deg,
                              AstrometryModel::Standard);
        ASSERT_TRUE(found);
        const double at = found->julian_day;
        for (double offset : {0.0, -0.5 * SECOND}) {
            auto next =
                c.search(engine, Instant{at + offset, TimeScale::Tt}, c.event.target_deg, AstrometryModel::Standard);
            ASSERT_TRUE(next) << next.error().message();
            EXPECT_NEAR(next->julian_day, c.following.tt_julian_day, SECOND) << "offset " << offset;
        }
        auto same =
            c.search(engine, Instant{at - 2.0 * SECOND, TimeScale::Tt}, c.event.target_deg, AstrometryModel::Standard);
        ASSERT_TRUE(same);
        EXPECT_NEAR(same->julian_day, at, 1e-9);
    }
}

// UTC and TDB queries search in their own scale and still answer in TT.
TEST(SeasonsLunations, QueriesInOtherScalesAnswerInTt) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const ReferenceEvent event = reference_events("events_seasons.csv")[283];
    for (TimeScale scale : {TimeScale::Utc, TimeScale::Tdb, TimeScale::Ut1}) {
        auto found = next_sun_longitude(engine, Instant{event.tt_julian_day - 20.0, scale}, event.target_deg);
        ASSERT_TRUE(found) << found.error().message();
        EXPECT_EQ(found->time_scale, TimeScale::Tt);
        EXPECT_NEAR(found->julian_day, event.tt_julian_day, SECOND) << name(scale);
    }
}

TEST(SeasonsLunations, TimeKernelsAreNeededOnlyForUtcAndUt1) {
    const SpkOrvane engine = orvane::testing::open_de421_only();
    const ReferenceEvent event = reference_events("events_lunations.csv")[40];
    auto tt = next_sun_moon_elongation(engine, Instant{event.tt_julian_day - 5.0, TimeScale::Tt}, event.target_deg);
    ASSERT_TRUE(tt) << tt.error().message();
    EXPECT_NEAR(tt->julian_day, event.tt_julian_day, SECOND);
    auto utc = next_sun_moon_elongation(engine, Instant{event.tt_julian_day - 5.0, TimeScale::Utc}, 0.0);
    ASSERT_FALSE(utc);
    EXPECT_EQ(utc.error().kind, OrvaneError::Kind::TimeConversion);
    EXPECT_EQ(utc.error().message(), "conversion from Utc to TDB is not implemented");
}

TEST(SeasonsLunations, AQueryOutsideTheKernelFailsWithTheRangeError) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const DateRange& range = engine.supported_range;
    for (double day : {range.start_julian_day - 100.0, range.end_julian_day + 1.0}) {
        auto found = next_sun_longitude(engine, Instant{day, TimeScale::Tdb}, 90.0);
        ASSERT_FALSE(found);
        EXPECT_EQ(found.error().message(),
                  OrvaneError::out_of_range(day, range.start_julian_day, range.end_julian_day, range.time_scale)
                      .message());
    }
    // An event beyond the end of the kernel: the Newton iterates leave it.
    auto late = next_sun_longitude(engine, Instant{range.end_julian_day - 5.0, TimeScale::Tdb}, 90.0);
    ASSERT_FALSE(late);
    EXPECT_EQ(late.error().kind, OrvaneError::Kind::OutOfRange);
}

// The elongation comes from one request for both bodies: the same values, bit
// for bit, and the same first error as a request for the Sun and then one for
// the Moon at the same instant.
TEST(SeasonsLunations, TheElongationEqualsTwoSingleRequests) {
    PositionOptions options;
    options.reference_epoch = ReferenceEpoch::OfDate;
    options.apparent = true;
    const SpkOrvane& engine = de421_with_time_kernels();
    const SpkOrvane bare = orvane::testing::open_de421_only();
    auto single = [&](const SpkOrvane& e, TimeScale scale, double day) -> std::expected<LongitudeSample, OrvaneError> {
        auto sun = e.position(Body::Sun, Instant{day, scale}, options);
        if (!sun) return std::unexpected(sun.error());
        auto moon = e.position(Body::Moon, Instant{day, scale}, options);
        if (!moon) return std::unexpected(moon.error());
        return LongitudeSample{reduce_degrees(moon->longitude_deg - sun->longitude_deg),
                               moon->longitude_speed_deg_per_day - sun->longitude_speed_deg_per_day};
    };
    const DateRange& range = engine.supported_range;
    struct Case {
        const SpkOrvane* engine;
        TimeScale scale;
        double day;
    };
    std::vector<Case> cases;
    for (double day = 2433282.5; day < 2469807.5; day += 913.37) {
        cases.push_back({&engine, TimeScale::Tt, day});
        cases.push_back({&engine, TimeScale::Utc, day});
    }
    cases.push_back({&engine, TimeScale::Tdb, range.start_julian_day - 1.0});
    cases.push_back({&engine, TimeScale::Tdb, range.end_julian_day + 1.0});
    cases.push_back({&bare, TimeScale::Utc, 2451545.0});
    for (const Case& c : cases) {
        auto batch = sun_moon_elongation_sample(*c.engine, c.scale, c.day);
        auto expected = single(*c.engine, c.scale, c.day);
        ASSERT_EQ(batch.has_value(), expected.has_value()) << c.day;
        if (expected) {
            EXPECT_EQ(batch->angle_deg, expected->angle_deg) << c.day;
            EXPECT_EQ(batch->rate_deg_per_day, expected->rate_deg_per_day) << c.day;
        } else {
            EXPECT_EQ(batch.error().kind, expected.error().kind) << c.day;
            EXPECT_EQ(batch.error().message(), expected.error().message()) << c.day;
        }
    }
}

// A synthetic angle growing uniformly through 360 degrees per period, zero at
// `event` (days read as TT, so the TT conversion changes nothing).
struct UniformAngle {
    double event, period;
    std::expected<LongitudeSample, OrvaneError> operator()(double day) const {
        return LongitudeSample{reduce_degrees(360.0 * (day - event) / period), 360.0 / period};
    }
};

TEST(SeasonsLunations, OneSecondRuleOnAUniformAngle) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const UniformAngle angle{2451600.25, 29.5};
    auto search = [&](double start) {
        return refine_longitude_zero(engine, Instant{start, TimeScale::Tt}, 0.0, 29.5, angle);
    };
    EXPECT_NEAR(search(angle.event - 3.0)->julian_day, angle.event, 1e-9);
    EXPECT_NEAR(search(angle.event - 2.0 * SECOND)->julian_day, angle.event, 1e-9);
    EXPECT_NEAR(search(angle.event - 0.5 * SECOND)->julian_day, angle.event + 29.5, 1e-9);
    EXPECT_NEAR(search(angle.event)->julian_day, angle.event + 29.5, 1e-9);
    EXPECT_NEAR(search(angle.event + 0.5 * SECOND)->julian_day, angle.event + 29.5, 1e-9);
    auto quarter = refine_longitude_zero(engine, Instant{angle.event, TimeScale::Tt}, 270.0, 29.5, angle);
    EXPECT_NEAR(quarter->julian_day, angle.event + 0.75 * 29.5, 1e-9);
}

TEST(SeasonsLunations, ASlowOrNonFiniteRateIsRefused) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const std::string text = "longitude speed is too small to search for the event";
    auto with_rate = [&](double rate_at_start, double rate_later) {
        auto function = [=](double day) -> std::expected<LongitudeSample, OrvaneError> {
            return LongitudeSample{reduce_degrees(day), day == 100.0 ? rate_at_start : rate_later};
        };
        return refine_longitude_zero(engine, Instant{100.0, TimeScale::Tt}, 200.0, 360.0, function);
    };
    for (double slow : {0.0, 9e-7, -9e-7, std::nan(""), HUGE_VAL}) {
        auto at_start = with_rate(slow, 1.0);
        ASSERT_FALSE(at_start);
        EXPECT_EQ(at_start.error().kind, OrvaneError::Kind::InvalidRequest);
        EXPECT_EQ(at_start.error().message(), text);
        auto at_iterate = with_rate(1.0, slow);
        ASSERT_FALSE(at_iterate);
        EXPECT_EQ(at_iterate.error().message(), text);
    }
    EXPECT_TRUE(with_rate(1e-6, 1.0));
}

TEST(SeasonsLunations, NewtonStopsAfterTwelveStepsWithoutError) {
    int calls = 0;
    // A rate ten times too large: each step covers a tenth of the distance.
    auto function = [&](double day) -> std::expected<LongitudeSample, OrvaneError> {
        ++calls;
        return LongitudeSample{reduce_degrees(day), 10.0};
    };
    auto day = newton_longitude_zero(function, 50.0, 0.0);
    ASSERT_TRUE(day);
    EXPECT_EQ(calls, 12);
    EXPECT_NEAR(*day, 50.0 * std::pow(0.9, 12), 1e-9);
}

}  // namespace
}  // namespace orvane
