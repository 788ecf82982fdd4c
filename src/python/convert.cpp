#include "python/convert.hpp"

#include <array>
#include <charconv>
#include <limits>
#include <utility>

#include "core/houses/house_systems.hpp"
#include "core/sidereal/sidereal_modes.hpp"
#include "core/text/text_forms.hpp"
#include "core/text/utf8.hpp"
#include "python/name_tables.hpp"

namespace orvane::python {
namespace {

// Whether `spelling` (lower case, trimmed) names `name` (lower case, words
// joined by "_"): the words may be joined by "-", "_" or " " (one each), or
// written together.
bool spells(std::string_view name, std::string_view spelling) {
    if (name.empty() || spelling.empty()) return false;
    std::size_t i = 0, j = 0;
    while (i < name.size() && j < spelling.size()) {
        if (name[i] == '_') {
            const char c = spelling[j];
            if (c == '_' || c == '-' || c == ' ') ++j;
            ++i;
        } else if (name[i] == spelling[j]) {
            ++i, ++j;
        } else {
            return false;
        }
    }
    return i == name.size() && j == spelling.size();
}

// Whether `spelling` names the row: its name or one of its other names.
template <class Row>
bool row_spelled(const Row& row, std::string_view spelling) {
    if (spells(row.name, spelling)) return true;
    if constexpr (requires { row.other_names; }) {
        for (std::string_view other : row.other_names) {
            if (spells(other, spelling)) return true;
        }
    }
    return false;
}

// The row named by `input` (its canonical name as it is, or any spelling of
// one of its names), or the parser's error text.
template <class Row, std::size_t N>
std::expected<const Row*, std::string> find_row(std::string_view input, const std::array<Row, N>& rows,
                                                std::string_view prefix) {
    for (const Row& row : rows) {
        if (row.name == input) return &row;  // the usual spelling, taken as it is
    }
    std::string normalised = ascii_lowercase(trim_white_space(input));
    for (const Row& row : rows) {
        if (row_spelled(row, normalised)) return &row;
    }
    return std::unexpected(std::string(prefix) + quoted(normalised));
}

template <class Row, std::size_t N, class Value>
std::expected<Value, std::string> parse_row(std::string_view input, const std::array<Row, N>& rows,
                                            std::string_view prefix, Value Row::*value) {
    auto row = find_row(input, rows, prefix);
    if (!row) return std::unexpected(std::move(row.error()));
    return (*row)->*value;
}

template <class T, std::size_t N>
std::expected<T, std::string> parse_name(std::string_view input, const std::array<NameRow<T>, N>& rows,
                                         std::string_view prefix) {
    return parse_row(input, rows, prefix, &NameRow<T>::value);
}

}  // namespace

std::expected<ShadowRule, std::string> parse_shadow_rule(std::string_view text) {
    auto rule = parse_name(text, SHADOW_RULE_ROWS, "");
    if (!rule) return std::unexpected("unknown shadow rule: '" + std::string(text) + "' (expected 'danjon' or 'chauvenet')");
    return rule;
}

std::expected<Body, std::string> parse_body(std::string_view text) {
    return parse_name(text, BODY_ROWS, "unknown body ");
}
std::expected<std::int32_t, std::string> parse_body_id(std::string_view text) {
    if (auto body = parse_body(text)) return naif_code(*body);
    auto small_body = find_row(text, SMALL_BODY_ROWS, "unknown body ");
    if (small_body) return (*small_body)->value;
    std::string normalised = ascii_lowercase(trim_white_space(text));
    std::int32_t id = 0;
    const char* end = normalised.data() + normalised.size();
    auto [stop, error] = std::from_chars(normalised.data(), end, id);
    if (!normalised.empty() && error == std::errc() && stop == end) return id;
    return std::unexpected(std::move(small_body.error()));
}

std::expected<std::int32_t, std::string> body_id_from_integer(long long value, bool overflowed) {
    if (!overflowed && value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max()) {
        return static_cast<std::int32_t>(value);
    }
    return std::unexpected(std::string("unknown body: NAIF ids are 32-bit integers"));
}

std::optional<Body> body_of_id(std::int32_t id) {
    for (const auto& row : BODY_ROWS) {
        if (naif_code(row.value) == id) return row.value;
    }
    return std::nullopt;
}

std::expected<TimeScale, std::string> parse_time_scale(std::string_view text) {
    return parse_name(text, TIME_SCALE_ROWS, "unknown time scale ");
}
std::expected<HouseSystem, std::string> parse_house_system(std::string_view text) {
    return parse_row(text, HOUSE_SYSTEMS, "unknown house system ", &HouseSystemRow::system);
}
std::expected<SeasonEvent, std::string> parse_season_event(std::string_view text) {
    return parse_row(text, SEASON_EVENTS, "unknown season event ", &AngleEventRow<SeasonEvent>::kind);
}
std::expected<SiderealMode, std::string> parse_sidereal_mode(std::string_view text) {
    return parse_row(text, SIDEREAL_MODES, "unknown sidereal mode ", &SiderealModeRow::mode);
}
std::expected<LunationEvent, std::string> parse_lunation_event(std::string_view text) {
    return parse_row(text, LUNATION_EVENTS, "unknown lunation event ", &AngleEventRow<LunationEvent>::kind);
}
std::expected<ReferenceEpoch, std::string> parse_reference_epoch(std::string_view text) {
    return parse_name(text, REFERENCE_EPOCH_ROWS, "unknown reference epoch ");
}
std::expected<CoordinateSystem, std::string> parse_coordinate_system(std::string_view text) {
    return parse_name(text, COORDINATE_SYSTEM_ROWS, "unknown coordinate system ");
}
std::expected<HorizonEventKind, std::string> parse_horizon_event_kind(std::string_view text) {
    return parse_name(text, HORIZON_EVENT_KIND_ROWS, "unknown horizon event ");
}

std::expected<Origin, std::string> parse_origin(std::string_view text, std::optional<GeodeticObserver> observer) {
    auto kind = parse_name(text, ORIGIN_ROWS, "unknown origin ");
    if (!kind) return std::unexpected(kind.error());
    if (*kind == OriginKind::Topocentric) {
        if (!observer) return std::unexpected(std::string("origin \"topocentric\" requires a GeodeticObserver"));
        auto valid = observer->validate();
        if (!valid) return std::unexpected(std::string(message(valid.error())));
        return Origin{OriginKind::Topocentric, *valid};
    }
    if (observer) return std::unexpected(std::string("observer is only valid with origin \"topocentric\""));
    return Origin{*kind, GeodeticObserver{}};
}

std::string_view canonical_name(TimeScale scale) { return row_name(TIME_SCALE_ROWS, scale); }
std::string_view canonical_name(OriginKind origin) { return row_name(ORIGIN_ROWS, origin); }
std::string_view canonical_name(CoordinateSystem system) { return row_name(COORDINATE_SYSTEM_ROWS, system); }
std::string_view canonical_name(ReferenceEpoch epoch) { return row_name(REFERENCE_EPOCH_ROWS, epoch); }
std::string_view canonical_name(HouseSystem system) { return house_system_row(system).name; }
std::string_view canonical_name(SeasonEvent event) { return angle_event_row(event).name; }
std::string_view canonical_name(LunationEvent event) { return angle_event_row(event).name; }
std::string_view canonical_name(SiderealMode mode) { return sidereal_mode_row(mode).name; }
std::string_view canonical_name(HorizonEventKind kind) { return row_name(HORIZON_EVENT_KIND_ROWS, kind); }

}  // namespace orvane::python
