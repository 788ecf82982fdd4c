#pragma once
#include <cstdint>
#include <expected>
#include <optional>
#include <string_view>
#include <vector>

#include "core/astrometry_model.hpp"
#include "core/errors.hpp"
#include "core/selectors.hpp"
#include "engine/engine.hpp"

// Lunar and planetary events over a range of time, each kind one row of the
// event table: the function searched, its sampling step, and how a zero or a
// turn of it is named. Every place is the apparent geocentric one on the true
// ecliptic and equinox of date (the true equator for declinations).
namespace orvane {

struct EventRequest {
    std::string_view kind;            // a name of event_kind_names()
    std::int32_t body = 301;          // the moving body (NAIF code)
    std::int32_t other = 10;          // the second body of an aspect
    double angle_deg = 0.0;           // the aspect's angle, or the longitude of a crossing
    // Longitudes of crossings and ingresses in this sidereal zodiac instead of
    // the tropical one.
    std::optional<SiderealMode> sidereal;
    // The astrometric model of every place the search reads.
    AstrometryModel model = AstrometryModel::Standard;
};

// One occurrence: its TT Julian day and its name ("first_quarter",
// "station_retrograde", "taurus", "perigee", ...).
struct FoundEvent {
    double tt_julian_day = 0.0;
    std::string_view name;
};

// Every occurrence of the event in [start, end] (TT Julian days), in order.
std::expected<std::vector<FoundEvent>, OrvaneError> find_events(const SpkOrvane& engine,
                                                                const EventRequest& request, double start_tt,
                                                                double end_tt);

// The kinds, in the table's order.
std::vector<std::string_view> event_kind_names();

}  // namespace orvane
