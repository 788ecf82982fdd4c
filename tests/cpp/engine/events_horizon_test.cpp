// Rise, set and transit of the Sun and the Moon: held against skyfield's
// find_risings, find_settings and meridian_transits on the same DE421, for
// every day of 2021 at six places and of 2022-2023 at three polar places, plus
// the searches' own rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "engine/horizon_events.hpp"
#include "engine/instant_conversion.hpp"
#include "events_test_engine.hpp"

namespace orvane {
namespace {

using orvane::testing::de421_with_time_kernels;
using orvane::testing::ReferenceTable;

constexpr double SECOND = 1.0 / 86400.0;
// A little more than half a lunar day: a rise or set this close to a transit
// belongs to it.
constexpr double HALF_DAY = 0.52;
constexpr double FIRST_DAY_2021_UT1 = 2459215.5;
constexpr double FIRST_DAY_2022_UT1 = 2459580.5;
constexpr double SUN_ALTITUDE_DEG = -50.0 / 60.0;
constexpr double MOON_ALTITUDE_DEG = -34.0 / 60.0;
constexpr double RISE_SET_TOLERANCE = 5.0 * SECOND;
constexpr double TRANSIT_TOLERANCE = SECOND;

// Skyfield's events of one body at one place, each kind in time order.
struct ReferenceDays {
    std::vector<double> rises, sets, transits;  // crossings only
    const std::vector<double>& of(HorizonEventKind kind) const {
        return kind == HorizonEventKind::Rise ? rises : kind == HorizonEventKind::Set ? sets : transits;
    }
};

struct Place {
    std::string name;
    GeodeticObserver observer;
};

std::vector<Place> places(const char* file = "events_horizon_places.csv") {
    ReferenceTable table(file);
    std::vector<Place> out;
    for (std::size_t row = 0; row < table.size(); ++row) {
        out.push_back({table.text(row, "place"),
                       {table.number(row, "longitude_east_deg"), table.number(row, "latitude_deg"),
                        table.number(row, "height_m")}});
    }
    return out;
}

std::map<std::string, ReferenceDays> read_reference(const char* file) {
    std::map<std::string, ReferenceDays> out;
    ReferenceTable table(file);
    for (std::size_t row = 0; row < table.size(); ++row) {
        // skyfield's stand-in of a day without crossing, or a graze the altitude does not make
        if (table.text(row, "crossed") == "0") continue;
        ReferenceDays& entry = out[table.text(row, "place") + "/" + table.text(row, "body")];
        const std::string& kind = table.text(row, "kind");
        const double ut1 = table.number(row, "ut1_jd");
        (kind == "rise" ? entry.rises : kind == "set" ? entry.sets : entry.transits).push_back(ut1);
    }
    return out;
}

const std::map<std::string, ReferenceDays>& reference() {
    static const std::map<std::string, ReferenceDays> days = read_reference("events_horizon.csv");
    return days;
}

const char* body_key(Body body) { return body == Body::Sun ? "sun" : "moon"; }
double altitude_of(Body body) { return body == Body::Sun ? SUN_ALTITUDE_DEG : MOON_ALTITUDE_DEG; }
double tolerance_of(HorizonEventKind kind) {
    return kind == HorizonEventKind::Transit ? TRANSIT_TOLERANCE : RISE_SET_TOLERANCE;
}
const ReferenceDays& reference_of(const Place& place, Body body) {
    return reference().at(place.name + "/" + body_key(body));
}

double nearest(const std::vector<double>& times, double t) {
    double best = INFINITY;
    for (double x : times) {
        if (std::abs(x - t) < std::abs(best - t)) best = x;
    }
    return best;
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

// rise_set_transit around `around` against skyfield's transit nearest to it,
// the rise in the half day before that transit and the set in the half day
// after it: each present exactly when skyfield has it, and at its time.
void check_day(const Place& place, Body body, double around, const std::string& where) {
    const ReferenceDays& ref = reference_of(place, body);
    const double their_transit = nearest(ref.transits, around);
    const auto their_rise = nearest_within(ref.rises, their_transit, their_transit - HALF_DAY, their_transit);
    const auto their_set = nearest_within(ref.sets, their_transit, their_transit, their_transit + HALF_DAY);
    auto found = rise_set_transit(de421_with_time_kernels(), body, place.observer, Instant{around, TimeScale::Ut1},
                                  altitude_of(body));
    ASSERT_TRUE(found) << where << ": " << found.error().message();
    EXPECT_NEAR(found->transit_ut1_julian_day, their_transit, TRANSIT_TOLERANCE) << where;
    for (auto [ours, theirs, kind] : {std::tuple{found->rise_ut1_julian_day, their_rise, "rise"},
                                      std::tuple{found->set_ut1_julian_day, their_set, "set"}}) {
        EXPECT_EQ(ours.has_value(), theirs.has_value()) << where << " " << kind;
        if (ours && theirs) {
            EXPECT_NEAR(*ours, *theirs, RISE_SET_TOLERANCE) << where << " " << kind;
        }
    }
}

TEST(HorizonEvents, EveryDayOf2021MatchesSkyfieldAtSixPlaces) {
    for (const Place& place : places()) {
        for (Body body : {Body::Sun, Body::Moon}) {
            for (int day = 0; day < 365; ++day) {
                // Local mean noon.
                const double around = FIRST_DAY_2021_UT1 + day + 0.5 - place.observer.longitude_east_deg / 360.0;
                check_day(place, body, around, place.name + " " + body_key(body) + " day " + std::to_string(day));
            }
        }
    }
}

// Each transit is where the hour angle changes sign, and each rise and set
// where the altitude crosses the requested one, to a millisecond (the bounds
// against skyfield are seconds): the sign differs a millisecond either side.
// The Sun and the Moon at the six places, every ninth day of 2021.
TEST(HorizonEvents, EventsAreTheCrossingsToAMillisecond) {
    const SpkOrvane& engine = de421_with_time_kernels();
    constexpr double MILLISECOND = 1e-3 * SECOND;
    for (const Place& place : places()) {
        const double phi = place.observer.latitude_deg * DEG_TO_RAD;
        for (Body body : {Body::Sun, Body::Moon}) {
            // sin(hour angle) and sin(altitude) - sin(requested altitude) at a UT1 day.
            auto sky = [&](double day) {
                auto p = engine.position(body, Instant{day, TimeScale::Ut1}, horizon_options(place.observer));
                auto e = earth_rotation_epochs(engine, TimeScale::Ut1, day);
                EXPECT_TRUE(p && e);
                const double h = local_apparent_sidereal_time_iau2006(place.observer.longitude_east_deg * DEG_TO_RAD,
                                                                      e->ut1_julian_day, e->tt_julian_day) -
                                 p->longitude_deg * DEG_TO_RAD;
                const double d = p->latitude_deg * DEG_TO_RAD;
                return std::pair{std::sin(h), std::sin(phi) * std::sin(d) + std::cos(phi) * std::cos(d) * std::cos(h) -
                                                  std::sin(altitude_of(body) * DEG_TO_RAD)};
            };
            for (int day = 0; day < 365; day += 9) {
                const double around = FIRST_DAY_2021_UT1 + day + 0.5 - place.observer.longitude_east_deg / 360.0;
                auto found = rise_set_transit(engine, body, place.observer, Instant{around, TimeScale::Ut1},
                                              altitude_of(body));
                ASSERT_TRUE(found);
                const std::string where = place.name + " " + body_key(body) + " day " + std::to_string(day);
                const double transit = found->transit_ut1_julian_day;
                EXPECT_LT(sky(transit - MILLISECOND).first, 0.0) << where;
                EXPECT_GT(sky(transit + MILLISECOND).first, 0.0) << where;
                for (auto [time, rising] : {std::pair{found->rise_ut1_julian_day, true},
                                            std::pair{found->set_ut1_julian_day, false}}) {
                    if (!time) continue;
                    EXPECT_EQ(sky(*time - MILLISECOND).second < 0.0, rising) << where;
                    EXPECT_EQ(sky(*time + MILLISECOND).second > 0.0, rising) << where;
                }
            }
        }
    }
}

// next_horizon_event against the first skyfield event more than a second after
// the query, at queries spread over two months.
TEST(HorizonEvents, NextEventIsTheFirstOneAfterTheQuery) {
    const SpkOrvane& engine = de421_with_time_kernels();
    for (const Place& place : places()) {
        for (Body body : {Body::Sun, Body::Moon}) {
            const ReferenceDays& ref = reference_of(place, body);
            for (double query = FIRST_DAY_2021_UT1 + 150.0; query < FIRST_DAY_2021_UT1 + 210.0; query += 1.37) {
                for (HorizonEventKind kind : {HorizonEventKind::Rise, HorizonEventKind::Set, HorizonEventKind::Transit}) {
                    const double expected = first_after(ref.of(kind), query + SECOND);
                    auto found = next_horizon_event(engine, body, place.observer, Instant{query, TimeScale::Ut1},
                                                    kind, altitude_of(body));
                    const std::string where = place.name + " " + body_key(body) + " " + std::string(name(kind)) +
                                              " after " + std::to_string(query);
                    // Three days are searched: an event within two is always found.
                    if (!found) {
                        EXPECT_EQ(found.error().message(), "no " + std::string(name(kind)) + " of " +
                                                               std::string(name(body)) +
                                                               " within 3 days after the query instant")
                            << where;
                        EXPECT_GT(expected, query + 2.0) << where;
                        continue;
                    }
                    EXPECT_EQ(found->kind, kind);
                    EXPECT_NEAR(found->ut1_julian_day, expected, tolerance_of(kind)) << where;
                }
            }
        }
    }
}

// Where the Sun and the Moon start and stop crossing the horizon: every day of
// two years at three polar places, every event skyfield finds is found (rises
// and sets within 5 s, transits within 1 s) and nothing else is, by
// rise_set_transit day by day and by next_horizon_event.
TEST(HorizonEvents, PolarPlacesOverTwoYearsMatchSkyfield) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const auto polar = read_reference("events_polar.csv");
    constexpr int DAYS = 730;
    constexpr std::array KINDS{HorizonEventKind::Rise, HorizonEventKind::Set, HorizonEventKind::Transit};
    for (const Place& place : places("events_polar_places.csv")) {
        for (Body body : {Body::Sun, Body::Moon}) {
            const ReferenceDays& ref = polar.at(place.name + "/" + body_key(body));
            const std::string where = place.name + " " + body_key(body);
            ReferenceDays ours;
            double first = INFINITY, last = -INFINITY;  // the transits found bound the span compared
            for (int day = 0; day < DAYS; ++day) {
                const double around = FIRST_DAY_2022_UT1 + day + 0.5 - place.observer.longitude_east_deg / 360.0;
                auto found = rise_set_transit(engine, body, place.observer, Instant{around, TimeScale::Ut1},
                                              altitude_of(body));
                ASSERT_TRUE(found) << where << " day " << day << ": " << found.error().message();
                ours.transits.push_back(found->transit_ut1_julian_day);
                if (found->rise_ut1_julian_day) ours.rises.push_back(*found->rise_ut1_julian_day);
                if (found->set_ut1_julian_day) ours.sets.push_back(*found->set_ut1_julian_day);
                first = std::min(first, found->transit_ut1_julian_day);
                last = std::max(last, found->transit_ut1_julian_day);
            }
            for (HorizonEventKind kind : KINDS) {
                const double tolerance = tolerance_of(kind);
                const std::string what = where + " " + std::string(name(kind)) + " at ";
                for (double theirs : ref.of(kind)) {
                    if (theirs > first + 1.0 && theirs < last - 1.0) {
                        EXPECT_LE(std::abs(nearest(ours.of(kind), theirs) - theirs), tolerance) << what << theirs;
                    }
                }
                for (double mine : ours.of(kind)) {
                    EXPECT_LE(std::abs(nearest(ref.of(kind), mine) - mine), tolerance) << what << mine << " invented";
                }
            }
            for (double query = FIRST_DAY_2022_UT1 + 1.0; query < FIRST_DAY_2022_UT1 + DAYS - 4.0; query += 9.7) {
                for (HorizonEventKind kind : KINDS) {
                    const double expected = first_after(ref.of(kind), query + SECOND);
                    auto found = next_horizon_event(engine, body, place.observer, Instant{query, TimeScale::Ut1},
                                                    kind, altitude_of(body));
                    const std::string after = where + " " + std::string(name(kind)) + " after " +
                                              std::to_string(query);
                    if (found) {
                        EXPECT_NEAR(found->ut1_julian_day, expected, tolerance_of(kind)) << after;
                    } else {
                        EXPECT_GT(expected, query + 2.0) << after << ": " << found.error().message();
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
}

TEST(HorizonEvents, RequestsAreCheckedInOrder) {
    const SpkOrvane& engine = de421_with_time_kernels();
    const SpkOrvane bare = orvane::testing::open_de421_only();
    const GeodeticObserver good{10.0, 45.0, 0.0};
    const GeodeticObserver bad{10.0, 95.0, 0.0};
    const Instant at{2459300.5, TimeScale::Utc};
    auto text = [](const auto& result) { return result ? std::string("(no error)") : result.error().message(); };
    // The body first, before any computation or time kernel: every body of
    // the kernels rises and sets but the Earth itself.
    auto earth = rise_set_transit(bare, Body::Earth, bad, at, NAN);
    EXPECT_EQ(earth.error().kind, OrvaneError::Kind::InvalidRequest);
    EXPECT_EQ(text(earth), "the Earth does not rise or set for a place on it");
    EXPECT_EQ(text(rise_set_transit(bare, Body::Mars, bad, at, NAN)), "horizon altitude must be finite");
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
    auto mars = next_horizon_event(engine, Body::Mars, good, at, HorizonEventKind::Rise, 0.0);
    ASSERT_TRUE(mars.has_value());
    EXPECT_GT(mars->ut1_julian_day, 2459300.5);
    EXPECT_LT(mars->ut1_julian_day, 2459301.6);
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
