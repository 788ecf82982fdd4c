// The horizon search over a range, on the sampled sky: the same events as
// the day-by-day search on the topocentric pipeline (rise_set_transit), to a
// few milliseconds (where a body grazes the horizon at a polar place, a mas
// of its place is a millisecond), at places from the equator to the polar
// circles; ranges that join without gaps; and its refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/horizon_events.hpp"
#include "engine/search/horizon_search.hpp"
#include "events_test_engine.hpp"

namespace orvane {
namespace {

using orvane::testing::de421_with_time_kernels;

constexpr double SECOND = 1.0 / 86400.0;
constexpr double START_UT1 = 2459215.5;  // 2021-01-01
constexpr double ALTITUDE_DEG = -34.0 / 60.0;

std::vector<double> of_kind(const std::vector<FoundHorizonEvent>& events, std::string_view name) {
    std::vector<double> days;
    for (const FoundHorizonEvent& event : events) {
        if (event.name == name) days.push_back(event.ut1_julian_day);
    }
    return days;
}

// The rises, sets and transits rise_set_transit finds day by day in [start, end].
struct DayByDay {
    std::vector<double> rises, sets, transits;
};

DayByDay day_by_day(std::int32_t body, const GeodeticObserver& observer, double start, double end) {
    DayByDay out;
    auto add = [](std::vector<double>& days, double day, double start, double end) {
        if (day >= start && day <= end && (days.empty() || day - days.back() > 0.5)) days.push_back(day);
    };
    for (double around = start - 1.0; around <= end + 1.0; around += 0.5) {
        auto found = rise_set_transit(de421_with_time_kernels(), body, observer, Instant{around, TimeScale::Ut1},
                                      ALTITUDE_DEG);
        EXPECT_TRUE(found.has_value());
        if (!found) return out;
        add(out.transits, found->transit_ut1_julian_day, start, end);
        if (found->rise_ut1_julian_day) add(out.rises, *found->rise_ut1_julian_day, start, end);
        if (found->set_ut1_julian_day) add(out.sets, *found->set_ut1_julian_day, start, end);
    }
    return out;
}

void expect_close(const std::vector<double>& mine, const std::vector<double>& exact, double tolerance,
                  const std::string& what) {
    ASSERT_EQ(mine.size(), exact.size()) << what;
    for (std::size_t i = 0; i < mine.size(); ++i) EXPECT_NEAR(mine[i], exact[i], tolerance) << what << " #" << i;
}

TEST(HorizonSearch, MatchesTheDayByDaySearchToMilliseconds) {
    const GeodeticObserver places[] = {{-0.13, 51.5, 0.0}, {-78.5, -0.2, 2850.0}, {25.0, 69.7, 0.0},
                                       {166.7, -77.8, 0.0}};
    for (std::int32_t body : {10, 2, 4}) {
        for (const GeodeticObserver& place : places) {
            const double end = START_UT1 + 40.0;
            auto found = horizon_events_between(de421_with_time_kernels(), body, place, START_UT1, end, ALTITUDE_DEG);
            ASSERT_TRUE(found.has_value()) << found.error().message();
            const DayByDay exact = day_by_day(body, place, START_UT1, end);
            const std::string what = "body " + std::to_string(body) + " at " + std::to_string(place.latitude_deg);
            expect_close(of_kind(*found, "rise"), exact.rises, 3e-3 * SECOND, what + " rise");
            expect_close(of_kind(*found, "set"), exact.sets, 3e-3 * SECOND, what + " set");
            expect_close(of_kind(*found, "transit"), exact.transits, 3e-3 * SECOND, what + " transit");
            const auto lower = of_kind(*found, "lower_transit");
            ASSERT_FALSE(lower.empty());
            for (std::size_t i = 1; i < found->size(); ++i) {
                EXPECT_LT((*found)[i - 1].ut1_julian_day, (*found)[i].ut1_julian_day);
            }
        }
    }
}

TEST(HorizonSearch, RangesJoinWithoutGapsOrRepeats) {
    const GeodeticObserver place{15.6, 78.2, 0.0};
    const SpkOrvane& engine = de421_with_time_kernels();
    auto whole = horizon_events_between(engine, 1, place, START_UT1, START_UT1 + 60.0, ALTITUDE_DEG);
    auto first = horizon_events_between(engine, 1, place, START_UT1, START_UT1 + 25.0, ALTITUDE_DEG);
    auto second = horizon_events_between(engine, 1, place, START_UT1 + 25.0, START_UT1 + 60.0, ALTITUDE_DEG);
    ASSERT_TRUE(whole && first && second);
    std::vector<FoundHorizonEvent> joined = *first;
    for (const FoundHorizonEvent& event : *second) {
        if (event.ut1_julian_day > START_UT1 + 25.0) joined.push_back(event);
    }
    ASSERT_EQ(joined.size(), whole->size());
    for (std::size_t i = 0; i < joined.size(); ++i) {
        EXPECT_EQ(joined[i].name, (*whole)[i].name);
        EXPECT_DOUBLE_EQ(joined[i].ut1_julian_day, (*whole)[i].ut1_julian_day);
    }
}

TEST(HorizonSearch, RefusesWhatItCannotSearch) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const GeodeticObserver place{0.0, 51.5, 0.0};
    auto message = [](const auto& result) { return result ? std::string() : result.error().message(); };
    EXPECT_EQ(message(horizon_events_between(engine, 399, place, START_UT1, START_UT1 + 1.0, ALTITUDE_DEG)),
              "the Earth does not rise or set for a place on it");
    EXPECT_EQ(message(horizon_events_between(engine, 5, place, START_UT1, START_UT1 + 1.0, 90.5)),
              "horizon altitude must be within [-90, 90] degrees");
    EXPECT_EQ(message(horizon_events_between(engine, 5, place, START_UT1, START_UT1 - 1.0, ALTITUDE_DEG)),
              "an event search needs a finite range with end >= start");
    EXPECT_EQ(message(horizon_events_between(engine, 5, place, START_UT1, START_UT1 + 50000.0, ALTITUDE_DEG)),
              "a horizon event search spans at most 40000 days");
    EXPECT_EQ(message(horizon_events_between(engine, 5, GeodeticObserver{0.0, 91.0, 0.0}, START_UT1,
                                             START_UT1 + 1.0, ALTITUDE_DEG))
                  .empty(),
              false);
    EXPECT_EQ(message(star_horizon_events_between(engine, 32349, place, START_UT1, START_UT1 + 1.0, ALTITUDE_DEG)),
              "no star catalogue attached");
}

}  // namespace
}  // namespace orvane
