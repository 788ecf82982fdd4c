// Rise, set and transit of the Sun and the Moon: held against skyfield's
// find_risings, find_settings and meridian_transits on the same DE421, for
// every day of 2021 at six places, plus the searches' own rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "events_test_engine.hpp"
#include "spk/horizon_events.hpp"
#include "spk/instant_conversion.hpp"

namespace orvane {
namespace {

using orvane::testing::de421_with_time_kernels;
using orvane::testing::ReferenceTable;

constexpr double SECOND = 1.0 / 86400.0;
// A little more than half a lunar day: a rise or set this close to a transit
// belongs to it.
constexpr double HALF_DAY = 0.52;
constexpr double FIRST_DAY_2021_UT1 = 2459215.5;
constexpr double SUN_ALTITUDE_DEG = -50.0 / 60.0;
constexpr double MOON_ALTITUDE_DEG = -34.0 / 60.0;

// Skyfield's events of one body at one place, each kind in time order.
struct ReferenceDays {
    std::vector<double> rises, sets, transits;  // crossings only
    std::vector<double> grazes;                 // rise or set stand-ins of days without a crossing
};

struct Place {
    std::string name;
    GeodeticObserver observer;
};

std::vector<Place> places() {
    ReferenceTable table("events_horizon_places.csv");
    std::vector<Place> out;
    for (std::size_t row = 0; row < table.size(); ++row) {
        out.push_back({table.text(row, "place"),
                       {table.number(row, "longitude_east_deg"), table.number(row, "latitude_deg"),
                        table.number(row, "height_m")}});
    }
    return out;
}

const std::map<std::string, ReferenceDays>& reference() {
    static const std::map<std::string, ReferenceDays> days = [] {
        std::map<std::string, ReferenceDays> out;
        ReferenceTable table("events_horizon.csv");
        for (std::size_t row = 0; row < table.size(); ++row) {
            ReferenceDays& entry = out[table.text(row, "place") + "/" + table.text(row, "body")];
            const std::string& kind = table.text(row, "kind");
            const double ut1 = table.number(row, "ut1_jd");
            if (table.text(row, "crossed") == "0") entry.grazes.push_back(ut1);
            else if (kind == "rise") entry.rises.push_back(ut1);
            else if (kind == "set") entry.sets.push_back(ut1);
            else entry.transits.push_back(ut1);
        }
        return out;
    }();
    return days;
}

const char* body_key(Body body) { return body == Body::Sun ? "sun" : "moon"; }
double altitude_of(Body body) { return body == Body::Sun ? SUN_ALTITUDE_DEG : MOON_ALTITUDE_DEG; }

double nearest(const std::vector<double>& times, double t) {
    double best = INFINITY;
    for (double x : times) {
        if (std::abs(x - t) < std::abs(best - t)) best = x;
    }
    return best;
}

// The first time after `after`, or infinity.
double first_after(const std::vector<double>& times, double after) {
    auto it = std::upper_bound(times.begin(), times.end(), after);
    return it == times.end() ? INFINITY : *it;
}

struct Worst {
    double rise_set = 0.0, transit = 0.0;
    int days = 0, without_rise = 0, without_set = 0, grazes = 0;
};

// A graze: the body stays on one side of the altitude for less than 1.5
// hours between this crossing and the opposite one. Eight fixed-point steps
// at the Earth's rotation rate do not settle on such a crossing, since the
// hour angle of the crossing moves nearly as fast as the body's own.
constexpr double GRAZE_DAYS = 1.5 / 24.0;

// Our rise (or set) against skyfield's crossings of the same kind in (from, to).
void compare_crossing(std::optional<double> ours, const std::vector<double>& same, const std::vector<double>& opposite,
                      double from, double to, Worst& worst, const std::string& where) {
    std::optional<double> theirs;
    for (double t : same) {
        if (t > from && t < to) theirs = t;
    }
    if (ours) {
        EXPECT_GT(*ours, from) << where;
        EXPECT_LT(*ours, to) << where;
    }
    const bool agree = ours.has_value() == theirs.has_value() &&
                       (!ours || std::abs(*ours - *theirs) < 5.0 * SECOND);
    if (agree) {
        if (ours) worst.rise_set = std::max(worst.rise_set, std::abs(*ours - *theirs));
        return;
    }
    ++worst.grazes;
    ASSERT_TRUE(theirs) << where << ": skyfield has none";
    EXPECT_LT(std::abs(nearest(opposite, *theirs) - *theirs), GRAZE_DAYS) << where << ": skyfield at " << *theirs;
}

void compare_year(const Place& place, Body body, Worst& worst) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const ReferenceDays& ref = reference().at(place.name + "/" + body_key(body));
    const double altitude = altitude_of(body);
    for (int day = 0; day < 365; ++day) {
        // Local mean noon.
        const double around = FIRST_DAY_2021_UT1 + day + 0.5 - place.observer.longitude_east_deg / 360.0;
        auto found = rise_set_transit(engine, body, place.observer, Instant{around, TimeScale::Ut1}, altitude);
        ASSERT_TRUE(found) << found.error().message() << " " << place.name << " day " << day;
        const double transit = found->transit_ut1_julian_day;
        const std::string where = place.name + " " + body_key(body) + " day " + std::to_string(day);
        // The transit nearest to the query.
        EXPECT_NEAR(transit, nearest(ref.transits, around), SECOND) << where;
        worst.transit = std::max(worst.transit, std::abs(transit - nearest(ref.transits, transit)));
        ++worst.days;
        // A rise in the half day before the transit and a set in the half day
        // after it, each present exactly when skyfield has it and within 5 s
        // of it, except for grazes.
        compare_crossing(found->rise_ut1_julian_day, ref.rises, ref.sets, transit - HALF_DAY, transit, worst,
                         where + " rise");
        compare_crossing(found->set_ut1_julian_day, ref.sets, ref.rises, transit, transit + HALF_DAY, worst,
                         where + " set");
        if (!found->rise_ut1_julian_day) ++worst.without_rise;
        if (!found->set_ut1_julian_day) ++worst.without_set;
    }
}

TEST(HorizonEvents, EveryDayOf2021MatchesSkyfieldAtSixPlaces) {
    for (const Place& place : places()) {
        for (Body body : {Body::Sun, Body::Moon}) {
            Worst worst;
            compare_year(place, body, worst);
            std::printf("%-10s %-4s %d days, %d without rise, %d without set, %d grazes; largest difference "
                        "from skyfield: rise/set %.3f s, transit %.3f s\n",
                        place.name.c_str(), body_key(body), worst.days, worst.without_rise, worst.without_set,
                        worst.grazes,
                        worst.rise_set / SECOND, worst.transit / SECOND);
        }
    }
}

// next_horizon_event against the first skyfield event more than a second after
// the query, at queries spread over two months.
TEST(HorizonEvents, NextEventIsTheFirstOneAfterTheQuery) {
    const SpkOrvane& engine = de421_with_time_kernels();
    for (const Place& place : places()) {
        for (Body body : {Body::Sun, Body::Moon}) {
            const ReferenceDays& ref = reference().at(place.name + "/" + body_key(body));
            for (double query = FIRST_DAY_2021_UT1 + 150.0; query < FIRST_DAY_2021_UT1 + 210.0; query += 1.37) {
                for (HorizonEventKind kind : {HorizonEventKind::Rise, HorizonEventKind::Set, HorizonEventKind::Transit}) {
                    const std::vector<double>& times =
                        kind == HorizonEventKind::Rise ? ref.rises : kind == HorizonEventKind::Set ? ref.sets
                                                                                                : ref.transits;
                    const double expected = first_after(times, query + SECOND);
                    const double tolerance = kind == HorizonEventKind::Transit ? SECOND : 5.0 * SECOND;
                    auto found =
                        next_horizon_event(engine, body, place.observer, Instant{query, TimeScale::Ut1}, kind,
                                           altitude_of(body));
                    const std::string where = place.name + " " + body_key(body) + " " + std::string(name(kind)) +
                                              " after " + std::to_string(query);
                    if (found) {
                        EXPECT_EQ(found->kind, kind);
                        EXPECT_NEAR(found->ut1_julian_day, expected, tolerance) << where;
                    } else {
                        EXPECT_EQ(found.error().message(), "no " + std::string(name(kind)) + " of " +
                                                               (body == Body::Sun ? "Sun" : "Moon") +
                                                               " within 3 days after the query instant")
                            << where;
                        EXPECT_GT(expected, query + 2.0) << where;
                    }
                }
            }
        }
    }
}

const Place& place_named(const std::vector<Place>& all, const std::string& name) {
    return *std::find_if(all.begin(), all.end(), [&](const Place& p) { return p.name == name; });
}

TEST(HorizonEvents, AnEventWithinOneSecondAfterTheQueryDoesNotCount) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const auto all = places();
    const GeodeticObserver denver = place_named(all, "denver").observer;
    const double around = FIRST_DAY_2021_UT1 + 100.5 - denver.longitude_east_deg / 360.0;
    for (Body body : {Body::Sun, Body::Moon}) {
        auto day = rise_set_transit(engine, body, denver, Instant{around, TimeScale::Ut1}, altitude_of(body));
        ASSERT_TRUE(day && day->rise_ut1_julian_day);
        const double rise = *day->rise_ut1_julian_day;
        auto before = next_horizon_event(engine, body, denver, Instant{rise - 2.0 * SECOND, TimeScale::Ut1},
                                         HorizonEventKind::Rise, altitude_of(body));
        ASSERT_TRUE(before);
        EXPECT_NEAR(before->ut1_julian_day, rise, 1e-8);
        auto within = next_horizon_event(engine, body, denver, Instant{rise - 0.5 * SECOND, TimeScale::Ut1},
                                         HorizonEventKind::Rise, altitude_of(body));
        ASSERT_TRUE(within);
        EXPECT_GT(within->ut1_julian_day, rise + 0.9);
        EXPECT_NEAR(within->ut1_julian_day, first_after(reference().at(std::string("denver/") + body_key(body)).rises,
                                                        rise + 0.5),
                    5.0 * SECOND);
    }
}

// The query may be in any scale; the search starts from its UT1 day.
TEST(HorizonEvents, QueriesInAnyScaleAnswerInUt1) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const GeodeticObserver sydney = place_named(places(), "sydney").observer;
    const double utc = 2459400.3;
    auto ut1 = earth_rotation_epochs(engine, TimeScale::Utc, utc);
    ASSERT_TRUE(ut1);
    auto from_utc = rise_set_transit(engine, Body::Moon, sydney, Instant{utc, TimeScale::Utc}, MOON_ALTITUDE_DEG);
    auto from_ut1 = rise_set_transit(engine, Body::Moon, sydney, Instant{ut1->ut1_julian_day, TimeScale::Ut1},
                                     MOON_ALTITUDE_DEG);
    ASSERT_TRUE(from_utc && from_ut1);
    EXPECT_EQ(from_utc->transit_ut1_julian_day, from_ut1->transit_ut1_julian_day);
    EXPECT_EQ(from_utc->rise_ut1_julian_day, from_ut1->rise_ut1_julian_day);
    EXPECT_EQ(from_utc->set_ut1_julian_day, from_ut1->set_ut1_julian_day);
    auto next_utc = next_horizon_event(engine, Body::Sun, sydney, Instant{utc, TimeScale::Utc},
                                       HorizonEventKind::Set, SUN_ALTITUDE_DEG);
    auto next_tt = next_horizon_event(engine, Body::Sun, sydney, Instant{ut1->tt_julian_day, TimeScale::Tt},
                                      HorizonEventKind::Set, SUN_ALTITUDE_DEG);
    ASSERT_TRUE(next_utc && next_tt);
    EXPECT_NEAR(next_utc->ut1_julian_day, next_tt->ut1_julian_day, 1e-9);
    EXPECT_NEAR(next_utc->ut1_julian_day, first_after(reference().at("sydney/sun").sets, ut1->ut1_julian_day),
                5.0 * SECOND);
}

TEST(HorizonEvents, PolarDayGivesTheTransitAlone) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const GeodeticObserver tromso = place_named(places(), "tromso").observer;
    const Instant midsummer{2459387.0, TimeScale::Ut1};  // 2021-06-21 12h
    auto day = rise_set_transit(engine, Body::Sun, tromso, midsummer, SUN_ALTITUDE_DEG);
    ASSERT_TRUE(day) << day.error().message();
    EXPECT_FALSE(day->rise_ut1_julian_day);
    EXPECT_FALSE(day->set_ut1_julian_day);
    EXPECT_NEAR(day->transit_ut1_julian_day, nearest(reference().at("tromso/sun").transits, midsummer.julian_day),
                SECOND);
    auto rise = next_horizon_event(engine, Body::Sun, tromso, midsummer, HorizonEventKind::Rise, SUN_ALTITUDE_DEG);
    ASSERT_FALSE(rise);
    EXPECT_EQ(rise.error().kind, OrvaneError::Kind::InvalidRequest);
    EXPECT_EQ(rise.error().message(), "no Rise of Sun within 3 days after the query instant");
    auto transit =
        next_horizon_event(engine, Body::Sun, tromso, midsummer, HorizonEventKind::Transit, SUN_ALTITUDE_DEG);
    ASSERT_TRUE(transit);
    EXPECT_GT(transit->ut1_julian_day, midsummer.julian_day);
}

// At the start of the polar day the Sun still rises before a transit but no
// longer sets after it: the day keeps its rise, and the next rise is found.
TEST(HorizonEvents, ADayWithARiseButNoSetKeepsTheRise) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const GeodeticObserver tromso = place_named(places(), "tromso").observer;
    const ReferenceDays& ref = reference().at("tromso/sun");
    int one_sided = 0;
    for (int day = 125; day < 145; ++day) {
        const double around = FIRST_DAY_2021_UT1 + day + 0.5 - tromso.longitude_east_deg / 360.0;
        auto found = rise_set_transit(engine, Body::Sun, tromso, Instant{around, TimeScale::Ut1}, SUN_ALTITUDE_DEG);
        ASSERT_TRUE(found) << found.error().message();
        if (!found->rise_ut1_julian_day || found->set_ut1_julian_day) continue;
        ++one_sided;
        const double rise = *found->rise_ut1_julian_day;
        EXPECT_NEAR(rise, nearest(ref.rises, rise), 5.0 * SECOND);
        auto next = next_horizon_event(engine, Body::Sun, tromso, Instant{rise - 0.1, TimeScale::Ut1},
                                       HorizonEventKind::Rise, SUN_ALTITUDE_DEG);
        ASSERT_TRUE(next) << next.error().message();
        EXPECT_NEAR(next->ut1_julian_day, rise, 1e-8);
    }
    EXPECT_EQ(one_sided, 1);
}

TEST(HorizonEvents, AnAltitudeNeverReachedGivesTheTransitAloneOrNoEvent) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const GeodeticObserver lima = place_named(places(), "lima").observer;
    const Instant query{2459300.2, TimeScale::Ut1};
    auto day = rise_set_transit(engine, Body::Sun, lima, query, 89.0);
    ASSERT_TRUE(day);
    EXPECT_FALSE(day->rise_ut1_julian_day);
    auto set = next_horizon_event(engine, Body::Sun, lima, query, HorizonEventKind::Set, 89.0);
    ASSERT_FALSE(set);
    EXPECT_EQ(set.error().message(), "no Set of Sun within 3 days after the query instant");
    auto refined = refine_horizon_event(engine, Body::Moon, lima, HorizonEventKind::Rise, query.julian_day, 89.0);
    ASSERT_FALSE(refined);
    EXPECT_EQ(refined.error().kind, OrvaneError::Kind::InvalidRequest);
    EXPECT_EQ(refined.error().message(), "body does not cross the requested altitude");
}

TEST(HorizonEvents, RequestsAreCheckedInOrder) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const SpkOrvane bare = orvane::testing::open_de421_only();
    const GeodeticObserver good{10.0, 45.0, 0.0};
    const GeodeticObserver bad{10.0, 95.0, 0.0};
    const Instant at{2459300.5, TimeScale::Utc};
    auto text = [](const auto& result) { return result ? std::string("(no error)") : result.error().message(); };
    // The body first, before any computation or time kernel.
    auto mars = rise_set_transit(bare, Body::Mars, bad, at, NAN);
    EXPECT_EQ(mars.error().kind, OrvaneError::Kind::UnsupportedBody);
    EXPECT_EQ(text(mars), "unsupported body: Mars");
    EXPECT_EQ(text(rise_set_transit(bare, Body::Earth, good, at, 0.0)), "unsupported body: Earth");
    // Then the altitude, then the observer, then the time kernels.
    auto nan_altitude = rise_set_transit(bare, Body::Sun, bad, at, NAN);
    EXPECT_EQ(nan_altitude.error().kind, OrvaneError::Kind::InvalidRequest);
    EXPECT_EQ(text(nan_altitude), "horizon altitude must be finite");
    EXPECT_EQ(text(rise_set_transit(bare, Body::Sun, good, at, INFINITY)), "horizon altitude must be finite");
    EXPECT_EQ(text(rise_set_transit(bare, Body::Sun, bad, at, 0.0)),
              "geodetic latitude must be finite and within [-90, 90] degrees");
    EXPECT_EQ(text(rise_set_transit(bare, Body::Sun, GeodeticObserver{NAN, 45.0, 0.0}, at, 0.0)),
              "Cartesian state must be finite");
    const std::string no_leap_seconds =
        "topocentric origins require a leap-second kernel; attach one with SpkOrvane::with_leap_second_kernel";
    EXPECT_EQ(text(rise_set_transit(bare, Body::Sun, good, Instant{2459300.5, TimeScale::Tt}, 0.0)),
              no_leap_seconds);
    // next_horizon_event converts the query first.
    EXPECT_EQ(text(next_horizon_event(bare, Body::Mars, good, at, HorizonEventKind::Rise, 0.0)), no_leap_seconds);
    EXPECT_EQ(text(next_horizon_event(engine, Body::Mars, good, at, HorizonEventKind::Rise, 0.0)),
              "unsupported body: Mars");
    EXPECT_EQ(text(next_horizon_event(engine, Body::Moon, good, at, HorizonEventKind::Set, NAN)),
              "horizon altitude must be finite");
    // Without the Earth-orientation table.
    auto leap = LeapSecondKernel::open(orvane::testing::events_data_path("leap_seconds"), std::string(64, '0'));
    ASSERT_TRUE(leap);
    const SpkOrvane leap_only = SpkOrvane::with_leap_second_kernel(orvane::testing::open_de421_only(), *leap);
    EXPECT_EQ(text(rise_set_transit(leap_only, Body::Moon, good, at, 0.0)),
              "topocentric origins require an Earth orientation table (DUT1); attach one with SpkOrvane::with_eop");
}

}  // namespace
}  // namespace orvane
