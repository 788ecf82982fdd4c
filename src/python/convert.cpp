#include "python/convert.hpp"

#include <array>
#include <charconv>
#include <limits>

#include "core/houses/house_systems.hpp"
#include "core/text/text_forms.hpp"
#include "core/text/utf8.hpp"

namespace orvane::python {
namespace {

template <class T>
struct Name {
    std::string_view text;
    T value;
};

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

template <class T, std::size_t N>
std::expected<T, std::string> parse_name(std::string_view input, const std::array<Name<T>, N>& names,
                                         std::string_view prefix) {
    for (const auto& name : names) {
        if (name.text == input) return name.value;  // the usual spelling, taken as it is
    }
    std::string normalised = ascii_lowercase(trim_white_space(input));
    for (const auto& name : names) {
        if (spells(name.text, normalised)) return name.value;
    }
    return std::unexpected(std::string(prefix) + quoted(normalised));
}

// The value of the table row named by `input` (its name or one of its other
// names, spelled by the rule of `spells`).
template <class Row, std::size_t N, class Value>
std::expected<Value, std::string> parse_row(std::string_view input, const std::array<Row, N>& rows,
                                            std::string_view prefix, Value Row::*value) {
    std::string normalised = ascii_lowercase(trim_white_space(input));
    for (const Row& row : rows) {
        if (spells(row.name, normalised)) return row.*value;
        for (std::string_view other : row.other_names) {
            if (spells(other, normalised)) return row.*value;
        }
    }
    return std::unexpected(std::string(prefix) + quoted(normalised));
}

constexpr std::array<Name<Body>, 11> BODY_NAMES{{
    {"sun", Body::Sun}, {"moon", Body::Moon}, {"mercury", Body::Mercury}, {"venus", Body::Venus},
    {"earth", Body::Earth}, {"mars", Body::Mars}, {"jupiter", Body::Jupiter}, {"saturn", Body::Saturn},
    {"uranus", Body::Uranus}, {"neptune", Body::Neptune}, {"pluto", Body::Pluto},
}};
// Bodies known by NAIF id alone: the sixteen most massive asteroids (JPL's
// small-body kernel sb441-n16) and the centaurs Chiron and Pholus. The asteroid Europa goes by its
// number, "europa" alone being Jupiter's moon in NAIF's naming.
constexpr std::array<Name<std::int32_t>, 18> BODY_ID_NAMES{{
    {"ceres", 2000001}, {"pallas", 2000002}, {"juno", 2000003}, {"vesta", 2000004}, {"iris", 2000007},
    {"hygiea", 2000010}, {"eunomia", 2000015}, {"psyche", 2000016}, {"euphrosyne", 2000031},
    {"52 europa", 2000052}, {"cybele", 2000065}, {"sylvia", 2000087}, {"thisbe", 2000088}, {"camilla", 2000107},
    {"davida", 2000511}, {"interamnia", 2000704}, {"chiron", 2002060},
    {"pholus", 2005145},
}};
constexpr std::array<Name<OriginKind>, 4> ORIGIN_NAMES{{
    {"barycentric", OriginKind::Barycentric}, {"heliocentric", OriginKind::Heliocentric},
    {"geocentric", OriginKind::Geocentric}, {"topocentric", OriginKind::Topocentric},
}};
constexpr std::array<Name<TimeScale>, 4> TIME_SCALE_NAMES{{
    {"utc", TimeScale::Utc}, {"ut1", TimeScale::Ut1}, {"tt", TimeScale::Tt}, {"tdb", TimeScale::Tdb},
}};
constexpr std::array<Name<SiderealMode>, 20> SIDEREAL_MODE_NAMES{{
    {"lahiri", SiderealMode::Lahiri},
    {"fagan_bradley", SiderealMode::FaganBradley},
    {"raman", SiderealMode::Raman},
    {"usha_shashi", SiderealMode::UshaShashi},
    {"krishnamurti", SiderealMode::Krishnamurti},
    {"djwhal_khul", SiderealMode::DjwhalKhul},
    {"yukteshwar", SiderealMode::Yukteshwar},
    {"jn_bhasin", SiderealMode::JnBhasin},
    {"sassanian", SiderealMode::Sassanian},
    {"true_citra", SiderealMode::TrueCitra},
    {"true_chitrapaksha", SiderealMode::TrueCitra},
    {"true_revati", SiderealMode::TrueRevati},
    {"true_pushya", SiderealMode::TruePushya},
    {"true_mula", SiderealMode::TrueMula},
    {"galactic_centre_0_sag", SiderealMode::GalacticCentre0Sag},
    {"galactic_center_0_sag", SiderealMode::GalacticCentre0Sag},
    {"galactic_centre_gil_brand", SiderealMode::GalacticCentreGilBrand},
    {"galactic_center_gil_brand", SiderealMode::GalacticCentreGilBrand},
    {"galactic_centre_cochrane", SiderealMode::GalacticCentreCochrane},
    {"galactic_center_cochrane", SiderealMode::GalacticCentreCochrane},
}};
constexpr std::array<Name<ReferenceEpoch>, 2> REFERENCE_EPOCH_NAMES{{
    {"j2000", ReferenceEpoch::J2000},
    {"of_date", ReferenceEpoch::OfDate},
}};
constexpr std::array<Name<CoordinateSystem>, 2> COORDINATE_SYSTEM_NAMES{{
    {"ecliptic", CoordinateSystem::Ecliptic}, {"equatorial", CoordinateSystem::Equatorial},
}};
constexpr std::array<Name<HorizonEventKind>, 3> HORIZON_EVENT_KIND_NAMES{{
    {"rise", HorizonEventKind::Rise}, {"set", HorizonEventKind::Set}, {"transit", HorizonEventKind::Transit},
}};

// The first name listed for a value is its canonical name.
template <class T, std::size_t N>
std::string_view first_name(const std::array<Name<T>, N>& names, T value) {
    for (const auto& name : names) {
        if (name.value == value) return name.text;
    }
    return names[0].text;
}

}  // namespace

std::expected<Body, std::string> parse_body(std::string_view text) {
    return parse_name(text, BODY_NAMES, "unknown body ");
}
std::expected<std::int32_t, std::string> parse_body_id(std::string_view text) {
    for (const auto& name : BODY_NAMES) {
        if (name.text == text) return naif_code(name.value);  // the usual spelling, taken as it is
    }
    std::string normalised = ascii_lowercase(trim_white_space(text));
    if (auto body = parse_body(normalised)) return naif_code(*body);
    for (const auto& name : BODY_ID_NAMES) {
        if (name.text == normalised) return name.value;
    }
    std::int32_t id = 0;
    const char* end = normalised.data() + normalised.size();
    auto [stop, error] = std::from_chars(normalised.data(), end, id);
    if (!normalised.empty() && error == std::errc() && stop == end) return id;
    return std::unexpected("unknown body " + quoted(normalised));
}

std::expected<std::int32_t, std::string> body_id_from_integer(long long value, bool overflowed) {
    if (!overflowed && value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max()) {
        return static_cast<std::int32_t>(value);
    }
    return std::unexpected(std::string("unknown body: NAIF ids are 32-bit integers"));
}

std::optional<Body> body_of_id(std::int32_t id) {
    for (const auto& name : BODY_NAMES) {
        if (naif_code(name.value) == id) return name.value;
    }
    return std::nullopt;
}

std::expected<TimeScale, std::string> parse_time_scale(std::string_view text) {
    return parse_name(text, TIME_SCALE_NAMES, "unknown time scale ");
}
std::expected<HouseSystem, std::string> parse_house_system(std::string_view text) {
    return parse_row(text, HOUSE_SYSTEMS, "unknown house system ", &HouseSystemRow::system);
}
std::expected<SeasonEvent, std::string> parse_season_event(std::string_view text) {
    return parse_row(text, SEASON_EVENTS, "unknown season event ", &AngleEventRow<SeasonEvent>::kind);
}
std::expected<SiderealMode, std::string> parse_sidereal_mode(std::string_view text) {
    return parse_name(text, SIDEREAL_MODE_NAMES, "unknown sidereal mode ");
}
std::expected<LunationEvent, std::string> parse_lunation_event(std::string_view text) {
    return parse_row(text, LUNATION_EVENTS, "unknown lunation event ", &AngleEventRow<LunationEvent>::kind);
}
std::expected<ReferenceEpoch, std::string> parse_reference_epoch(std::string_view text) {
    return parse_name(text, REFERENCE_EPOCH_NAMES, "unknown reference epoch ");
}
std::expected<CoordinateSystem, std::string> parse_coordinate_system(std::string_view text) {
    return parse_name(text, COORDINATE_SYSTEM_NAMES, "unknown coordinate system ");
}
std::expected<HorizonEventKind, std::string> parse_horizon_event_kind(std::string_view text) {
    return parse_name(text, HORIZON_EVENT_KIND_NAMES, "unknown horizon event ");
}

std::expected<Origin, std::string> parse_origin(std::string_view text, std::optional<GeodeticObserver> observer) {
    auto kind = parse_name(text, ORIGIN_NAMES, "unknown origin ");
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

std::string_view canonical_name(TimeScale scale) { return first_name(TIME_SCALE_NAMES, scale); }
std::string_view canonical_name(OriginKind origin) { return first_name(ORIGIN_NAMES, origin); }
std::string_view canonical_name(CoordinateSystem system) { return first_name(COORDINATE_SYSTEM_NAMES, system); }
std::string_view canonical_name(ReferenceEpoch epoch) { return first_name(REFERENCE_EPOCH_NAMES, epoch); }
std::string_view canonical_name(HouseSystem system) { return house_system_row(system).name; }
std::string_view canonical_name(SeasonEvent event) { return angle_event_row(event).name; }
std::string_view canonical_name(LunationEvent event) { return angle_event_row(event).name; }
std::string_view canonical_name(SiderealMode mode) { return first_name(SIDEREAL_MODE_NAMES, mode); }
std::string_view canonical_name(HorizonEventKind kind) { return first_name(HORIZON_EVENT_KIND_NAMES, kind); }

}  // namespace orvane::python
