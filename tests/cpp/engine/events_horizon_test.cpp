// Rise, set and transit of the Sun and the Moon: held against skyfield's
// find_risings, find_settings and meridian_transits on the same DE421, for
// every day of 2021 at six places, plus the searches' own rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "events_test_engine.hpp"
#include "engine/horizon_events.hpp"
#include "engine/instant_conversion.hpp"

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
    std::vector<double> transit_declinations_deg;
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
            if (table.text(row, "crossed") == "0") continue;  // skyfield's stand-in of a day without crossing
            if (kind == "rise") {
                entry.rises.push_back(ut1);
            } else if (kind == "set") {
                entry.sets.push_back(ut1);
            } else {
                entry.transits.push_back(ut1);
                entry.transit_declinations_deg.push_back(table.number(row, "declination_deg"));
            }
        }
        return out;
    }();
    return days;
}

const char* body_key(Body body) { return body == Body::Sun ? "sun" : "moon"; }
double altitude_of(Body body) { return body == Body::Sun ? SUN_ALTITUDE_DEG : MOON_ALTITUDE_DEG; }
const ReferenceDays& reference_of(const Place& place, Body body) {
    return reference().at(place.name + "/" + body_key(body));
}

std::size_t nearest_index(const std::vector<double>& times, double t) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < times.size(); ++i) {
        if (std::abs(times[i] - t) < std::abs(times[best] - t)) best = i;
    }
    return best;
}

double nearest(const std::vector<double>& times, double t) {
    return times.empty() ? INFINITY : times[nearest_index(times, t)];
}

// The time in (from, to) nearest to t, if any.
std::optional<double> nearest_within(const std::vector<double>& times, double t, double from, double to) {
    std::optional<double> found;
    for (double x : times) {
        if (x > from && x < to && (!found || std::abs(x - t) < std::abs(*found - t))) found = x;
    }
    return found;
}

// The first time after `after`, or infinity.
double first_after(const std::vector<double>& times, double after) {
    auto it = std::upper_bound(times.begin(), times.end(), after);
    return it == times.end() ? INFINITY : *it;
}

// How a day's rise_set_transit compares with skyfield. Whether the body
// crosses is decided at the transit's declination, and a rise or set
// refinement fails as soon as an iterate's declination does not cross; near
// the days on which the body starts or stops crossing at a high latitude,
// skyfield (which looks for the actual crossings) may then still find one.
// There, too, a crossing can graze the altitude (the body dips below it, or
// rises above it, for a few minutes only), and eight fixed-point steps at the
// Earth's rotation rate do not settle on it, since its hour angle then moves
// nearly as fast as the body's own.
enum class DayOutcome {
    Agrees,        // the same transit, and the same rise and set within 5 s (or none on either side)
    TransitAlone,  // we give the transit alone; skyfield has a rise or a set that day
    NoCrossing,    // we fail with "body does not cross the requested altitude"; skyfield has a crossing
    Unsettled,     // a grazing rise or set more than 5 s (and less than a minute) from skyfield's
};

// A graze: skyfield's opposite crossing less than 1.5 hours away.
constexpr double GRAZE_DAYS = 1.5 / 24.0;
constexpr double UNSETTLED_LIMIT_DAYS = 60.0 * SECOND;

// Our rise (or set) against skyfield's crossing of the same kind.
DayOutcome compare_crossing(double ours, std::optional<double> theirs, const std::vector<double>& opposite,
                            const std::string& where) {
    if (!theirs) {
        ADD_FAILURE() << where << ": skyfield has none";
        return DayOutcome::Agrees;
    }
    const double difference = std::abs(ours - *theirs);
    if (difference <= 5.0 * SECOND) return DayOutcome::Agrees;
    EXPECT_LT(std::abs(nearest(opposite, *theirs) - *theirs), GRAZE_DAYS)
        << where << ": " << difference / SECOND << " s from skyfield, which does not graze";
    EXPECT_LT(difference, UNSETTLED_LIMIT_DAYS) << where;
    return DayOutcome::Unsettled;
}

// rise_set_transit around `around` against skyfield's transit nearest to it,
// the rise in the half day before that transit and the set in the half day
// after it.
DayOutcome check_day(const Place& place, Body body, double around, const std::string& where) {
    const ReferenceDays& ref = reference_of(place, body);
    const double their_transit = nearest(ref.transits, around);
    const auto their_rise = nearest_within(ref.rises, their_transit, their_transit - HALF_DAY, their_transit);
    const auto their_set = nearest_within(ref.sets, their_transit, their_transit, their_transit + HALF_DAY);
    auto found = rise_set_transit(de421_with_time_kernels(), body, place.observer, Instant{around, TimeScale::Ut1},
                                  altitude_of(body));
    if (!found) {
        EXPECT_EQ(found.error().kind, OrvaneError::Kind::InvalidRequest) << where;
        EXPECT_EQ(found.error().message(), "body does not cross the requested altitude") << where;
        EXPECT_TRUE(their_rise || their_set) << where << ": skyfield has no crossing either";
        return DayOutcome::NoCrossing;
    }
    EXPECT_NEAR(found->transit_ut1_julian_day, their_transit, SECOND) << where;
    const auto& rise = found->rise_ut1_julian_day;
    const auto& set = found->set_ut1_julian_day;
    EXPECT_EQ(rise.has_value(), set.has_value()) << where;
    if (!rise || !set) return their_rise || their_set ? DayOutcome::TransitAlone : DayOutcome::Agrees;
    const DayOutcome rise_outcome = compare_crossing(*rise, their_rise, ref.sets, where + " rise");
    const DayOutcome set_outcome = compare_crossing(*set, their_set, ref.rises, where + " set");
    return rise_outcome == DayOutcome::Agrees ? set_outcome : rise_outcome;
}

// Degrees by which the body's altitude at its nearer culmination misses the
// requested altitude, at skyfield's declination at the transit nearest to
// `around`: small when the body has just started, or is about to stop,
// crossing it.
double culmination_margin_deg(const Place& place, Body body, double around) {
    const ReferenceDays& ref = reference_of(place, body);
    const double declination = ref.transit_declinations_deg[nearest_index(ref.transits, around)];
    const double latitude = place.observer.latitude_deg;
    const double upper = 90.0 - std::abs(latitude - declination);
    const double lower = std::abs(latitude + declination) - 90.0;
    return std::min(std::abs(upper - altitude_of(body)), std::abs(lower - altitude_of(body)));
}

// Days that differ from skyfield occur only at a high latitude, and only when
// the body comes within a few degrees of not crossing the altitude at all.
constexpr double POLAR_LATITUDE_DEG = 60.0;
constexpr double NEAR_NEVER_CROSSING_DEG = 3.0;

void expect_near_never_crossing(const Place& place, Body body, double around, const std::string& where) {
    EXPECT_GT(std::abs(place.observer.latitude_deg), POLAR_LATITUDE_DEG) << where;
    EXPECT_LT(culmination_margin_deg(place, body, around), NEAR_NEVER_CROSSING_DEG) << where;
}

TEST(HorizonEvents, EveryDayOf2021MatchesSkyfieldAtSixPlaces) {
    for (const Place& place : places()) {
        for (Body body : {Body::Sun, Body::Moon}) {
            for (int day = 0; day < 365; ++day) {
                // Local mean noon.
                const double around = FIRST_DAY_2021_UT1 + day + 0.5 - place.observer.longitude_east_deg / 360.0;
                const std::string where = place.name + " " + body_key(body) + " day " + std::to_string(day);
                const DayOutcome outcome = check_day(place, body, around, where);
                if (outcome != DayOutcome::Agrees) expect_near_never_crossing(place, body, around, where);
            }
        }
    }
}

// next_horizon_event against the first skyfield event more than a second after
// the query, at queries spread over two months. Where they differ, one of the
// three days searched is a day that differs from skyfield as above.
TEST(HorizonEvents, NextEventIsTheFirstOneAfterTheQuery) {
    const SpkOrvane& engine = de421_with_time_kernels();
    for (const Place& place : places()) {
        for (Body body : {Body::Sun, Body::Moon}) {
            const ReferenceDays& ref = reference_of(place, body);
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
                    const std::string none = "no " + std::string(name(kind)) + " of " + std::string(name(body)) +
                                             " within 3 days after the query instant";
                    if (found) {
                        EXPECT_EQ(found->kind, kind);
                    }
                    if (found ? std::abs(found->ut1_julian_day - expected) <= tolerance
                              : found.error().message() == none && expected > query + 2.0) {
                        continue;
                    }
                    // One of the three days searched differs from skyfield.
                    bool explained = false;
                    for (int offset = 0; offset < 3; ++offset) {
                        explained |= check_day(place, body, query + offset, where) != DayOutcome::Agrees;
                    }
                    EXPECT_TRUE(explained) << where << ": " << (found ? "found" : found.error().message());
                    EXPECT_GT(std::abs(place.observer.latitude_deg), POLAR_LATITUDE_DEG) << where;
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

// Near the start of the polar day at Tromso the Sun still crosses at one
// transit's declination but no longer at a later iterate of its rise or set:
// that day fails, and so does a next-event search that meets it first, while
// one that meets it on a later day finds no event.
TEST(HorizonEvents, ADayWhoseRefinementStopsCrossingFails) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const GeodeticObserver tromso = place_named(places(), "tromso").observer;
    std::optional<double> failing;
    for (int day = 120; day < 150 && !failing; ++day) {
        const double around = FIRST_DAY_2021_UT1 + day + 0.5 - tromso.longitude_east_deg / 360.0;
        auto found = rise_set_transit(engine, Body::Sun, tromso, Instant{around, TimeScale::Ut1}, SUN_ALTITUDE_DEG);
        if (found) continue;
        EXPECT_EQ(found.error().kind, OrvaneError::Kind::InvalidRequest);
        EXPECT_EQ(found.error().message(), "body does not cross the requested altitude");
        failing = around;
    }
    ASSERT_TRUE(failing);
    auto first = next_horizon_event(engine, Body::Sun, tromso, Instant{*failing, TimeScale::Ut1},
                                    HorizonEventKind::Transit, SUN_ALTITUDE_DEG);
    ASSERT_FALSE(first);
    EXPECT_EQ(first.error().message(), "body does not cross the requested altitude");
    // The day before: its rise is before the query, and the next day fails.
    const Instant day_before{*failing - 1.0, TimeScale::Ut1};
    auto rise = next_horizon_event(engine, Body::Sun, tromso, day_before, HorizonEventKind::Rise, SUN_ALTITUDE_DEG);
    ASSERT_FALSE(rise);
    EXPECT_EQ(rise.error().message(), "no Rise of Sun within 3 days after the query instant");
    auto set = next_horizon_event(engine, Body::Sun, tromso, day_before, HorizonEventKind::Set, SUN_ALTITUDE_DEG);
    ASSERT_TRUE(set) << set.error().message();
    EXPECT_NEAR(set->ut1_julian_day, first_after(reference().at("tromso/sun").sets, day_before.julian_day),
                5.0 * SECOND);
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
    // Only the sine of the altitude is used: 140 would otherwise act as 40.
    EXPECT_EQ(text(rise_set_transit(bare, Body::Sun, bad, at, 140.0)),
              "horizon altitude must be within [-90, 90] degrees");
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
