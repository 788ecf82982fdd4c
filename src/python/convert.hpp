#pragma once
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "core/body.hpp"
#include "core/position_options.hpp"
#include "core/selectors.hpp"
#include "core/time_scale.hpp"
#include "engine/angle_events.hpp"
#include "engine/eclipses/lunar_eclipses.hpp"

// The names by which Python callers refer to bodies, scales, origins, frames
// and events. Each parser trims Unicode white space, lower-cases ASCII letters
// and accepts a listed name whose words are joined by "-", "_" or " " or
// written together; a failure's text is the parser's prefix and the
// normalised input, quoted.
namespace orvane::python {

std::expected<Body, std::string> parse_body(std::string_view text);
// A body as a NAIF id: one of the eleven names, a name of the id table
// (asteroids, Chiron), or the id itself in decimal ("2000001").
std::expected<std::int32_t, std::string> parse_body_id(std::string_view text);
// A NAIF id given as a Python int; one outside 32 bits names no body.
std::expected<std::int32_t, std::string> body_id_from_integer(long long value, bool overflowed);
// The one of the eleven bodies whose NAIF id this is.
std::optional<Body> body_of_id(std::int32_t id);
std::expected<TimeScale, std::string> parse_time_scale(std::string_view text);
std::expected<HouseSystem, std::string> parse_house_system(std::string_view text);
std::expected<SeasonEvent, std::string> parse_season_event(std::string_view text);
std::expected<SiderealMode, std::string> parse_sidereal_mode(std::string_view text);
std::expected<LunationEvent, std::string> parse_lunation_event(std::string_view text);
std::expected<ReferenceEpoch, std::string> parse_reference_epoch(std::string_view text);
std::expected<CoordinateSystem, std::string> parse_coordinate_system(std::string_view text);
std::expected<HorizonEventKind, std::string> parse_horizon_event_kind(std::string_view text);
std::expected<ShadowRule, std::string> parse_shadow_rule(std::string_view text);

// The origin with its observer rules: topocentric needs a valid observer, the
// others refuse one.
std::expected<Origin, std::string> parse_origin(std::string_view text, std::optional<GeodeticObserver> observer);

// Canonical names, as the Python properties report them.
std::string_view canonical_name(TimeScale scale);
std::string_view canonical_name(OriginKind origin);
std::string_view canonical_name(CoordinateSystem system);
std::string_view canonical_name(ReferenceEpoch epoch);
std::string_view canonical_name(HouseSystem system);
std::string_view canonical_name(SeasonEvent event);
std::string_view canonical_name(LunationEvent event);
std::string_view canonical_name(SiderealMode mode);
std::string_view canonical_name(HorizonEventKind kind);

}  // namespace orvane::python
