#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The events found as the moment an angle reaches a target: the seasons (the
// Sun's apparent geocentric ecliptic longitude of date) and the lunations (the
// Moon's apparent elongation from the Sun in ecliptic longitude), one table
// each with the names they go by.
namespace orvane {

enum class SeasonEvent : std::uint8_t { MarchEquinox, JuneSolstice, SeptemberEquinox, DecemberSolstice };
enum class LunationEvent : std::uint8_t { NewMoon, FullMoon };

template <class Kind>
struct AngleEventRow {
    Kind kind;
    std::string_view name;                        // lower case, words joined by "_"
    std::array<std::string_view, 1> other_names;  // in the same form ("" for none)
    double target_deg;
};

// In the order of the SeasonEvent values.
inline constexpr std::array<AngleEventRow<SeasonEvent>, 4> SEASON_EVENTS{{
    {SeasonEvent::MarchEquinox, "march_equinox", {"vernal_equinox"}, 0.0},
    {SeasonEvent::JuneSolstice, "june_solstice", {""}, 90.0},
    {SeasonEvent::SeptemberEquinox, "september_equinox", {"autumnal_equinox"}, 180.0},
    {SeasonEvent::DecemberSolstice, "december_solstice", {""}, 270.0},
}};

// In the order of the LunationEvent values.
inline constexpr std::array<AngleEventRow<LunationEvent>, 2> LUNATION_EVENTS{{
    {LunationEvent::NewMoon, "new_moon", {""}, 0.0},
    {LunationEvent::FullMoon, "full_moon", {""}, 180.0},
}};

template <class Kind, std::size_t N>
constexpr bool rows_in_order(const std::array<AngleEventRow<Kind>, N>& rows) {
    for (std::size_t i = 0; i < N; ++i) {
        if (static_cast<std::size_t>(rows[i].kind) != i) return false;
    }
    return true;
}
static_assert(rows_in_order(SEASON_EVENTS) && rows_in_order(LUNATION_EVENTS));

constexpr const AngleEventRow<SeasonEvent>& angle_event_row(SeasonEvent event) {
    return SEASON_EVENTS[static_cast<std::size_t>(event)];
}
constexpr const AngleEventRow<LunationEvent>& angle_event_row(LunationEvent event) {
    return LUNATION_EVENTS[static_cast<std::size_t>(event)];
}

}  // namespace orvane
