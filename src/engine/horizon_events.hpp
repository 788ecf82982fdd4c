#pragma once
#include <expected>
#include <optional>

#include "core/body.hpp"
#include "core/errors.hpp"
#include "core/observer/geodetic_observer.hpp"
#include "core/position_options.hpp"
#include "core/selectors.hpp"
#include "core/time_scale.hpp"
#include "engine/engine.hpp"

// Rise, set and meridian transit of any body of the kernels for a place on the
// Earth, from the apparent topocentric place on the equator and equinox of
// date, the local apparent sidereal time and the hour-angle relation. Every
// time produced is a UT1 Julian day.
namespace orvane {

// The transit nearest to a query, with the rise before it and the set after
// it; each of rise and set is absent when it does not happen.
struct RiseSetTransit {
    std::optional<double> rise_ut1_julian_day;
    std::optional<double> set_ut1_julian_day;
    double transit_ut1_julian_day = 0.0;
};

struct HorizonEvent {
    double ut1_julian_day = 0.0;
    HorizonEventKind kind = HorizonEventKind::Transit;
};

// Apparent topocentric place on the true equator and equinox of date: the
// longitude is the right ascension, the latitude the declination.
PositionOptions horizon_options(const GeodeticObserver& observer);

// The transit nearest to `around` (possibly before it) with the rise before it
// and the set after it, for the Sun or the Moon crossing altitude_deg (the
// centre's apparent altitude; the caller's value includes any refraction or
// semi-diameter; within [-90, 90]). The transit never depends on the
// altitude. The rise is looked for between the lower culmination before the
// transit and the transit, the set between the transit and the lower
// culmination after it, from the altitude itself at those instants, or at the
// altitude's extreme near them where a graze could put it on the other side
// of the requested altitude (so the body's motion in declination during the
// day counts): where the altitude does not cross the requested one, that
// event is absent, as at the start and end of a polar day or night where one
// happens without the other. Each event is found by Newton's method with the
// rates of the hour angle and the declination, a crossing kept within its
// bracket, to well under a millisecond: six to nine evaluations of the
// body's place a day. Needs the leap-second kernel and the Earth-orientation
// table.
std::expected<RiseSetTransit, OrvaneError> rise_set_transit(const SpkOrvane& engine, Body body,
                                                            const GeodeticObserver& observer, Instant around,
                                                            double altitude_deg);

// The same for any body of the kernels by its NAIF code (planets, asteroids),
// with bounds on its declination's motion that hold for Mercury and slower
// bodies; the Earth itself is refused.
std::expected<RiseSetTransit, OrvaneError> rise_set_transit(const SpkOrvane& engine, std::int32_t body,
                                                            const GeodeticObserver& observer, Instant around,
                                                            double altitude_deg);

// The first event of the kind more than one second after `after`, looked for
// around `after` and the two following days. An error of the first day is
// passed on; an error of a later day, like finding none, fails with
// "no {kind} of {body} within 3 days after the query instant".
std::expected<HorizonEvent, OrvaneError> next_horizon_event(const SpkOrvane& engine, Body body,
                                                            const GeodeticObserver& observer, Instant after,
                                                            HorizonEventKind kind, double altitude_deg);
std::expected<HorizonEvent, OrvaneError> next_horizon_event(const SpkOrvane& engine, std::int32_t body,
                                                            const GeodeticObserver& observer, Instant after,
                                                            HorizonEventKind kind, double altitude_deg);

}  // namespace orvane
