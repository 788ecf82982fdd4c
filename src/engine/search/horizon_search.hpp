#pragma once
#include <cstdint>
#include <expected>
#include <string_view>
#include <vector>

#include "core/errors.hpp"
#include "core/observer/geodetic_observer.hpp"
#include "engine/engine.hpp"

// Every rise, set, upper and lower meridian transit of a body of the kernels
// or of a catalogue star at a place over a range of UT1 days, on the sampled
// sky of engine/search/horizon_track: the transits by Newton's method on the
// hour angle, the altitude's extremes near them where a graze could put one
// on the other side of the requested altitude, and each crossing between
// two extremes on opposite sides by Newton's method on the altitude with its
// exact rate, kept within its bracket, to well under a millisecond.
namespace orvane {

// One event: its UT1 Julian day and its name ("rise", "set", "transit" for
// the upper transit, "lower_transit").
struct FoundHorizonEvent {
    double ut1_julian_day = 0.0;
    std::string_view name;
};

// The longest range one search takes, days.
inline constexpr double HORIZON_SEARCH_MAX_DAYS = 40000.0;

// Every event in [start_ut1, end_ut1], in order, of a body (not the Earth)
// whose centre crosses altitude_deg (within [-90, 90]; the caller's value
// includes any refraction). Needs both time kernels and the kernels a few
// days beyond each end of the range.
std::expected<std::vector<FoundHorizonEvent>, OrvaneError> horizon_events_between(const SpkOrvane& engine,
                                                                                  std::int32_t body,
                                                                                  const GeodeticObserver& observer,
                                                                                  double start_ut1, double end_ut1,
                                                                                  double altitude_deg);

// The same for a star of the attached catalogue by HIP number.
std::expected<std::vector<FoundHorizonEvent>, OrvaneError> star_horizon_events_between(
    const SpkOrvane& engine, std::int32_t hip, const GeodeticObserver& observer, double start_ut1, double end_ut1,
    double altitude_deg);

}  // namespace orvane
