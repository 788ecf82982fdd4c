#include "engine/search/event_table.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "core/angles.hpp"
#include "core/constants.hpp"
#include "core/position_options.hpp"
#include "engine/search/root_search.hpp"

namespace orvane {
namespace {

constexpr std::int32_t SUN = 10, MOON = 301;

// What a search samples: the engine's apparent geocentric places of date in
// the astrometric model the request asks for.
struct SearchSky {
    const SpkOrvane& engine;
    AstrometryModel model;
};

PositionOptions apparent_of_date(bool equatorial, AstrometryModel model) {
    PositionOptions options;
    options.model = model;
    options.origin.kind = OriginKind::Geocentric;
    options.coordinate_system = equatorial ? CoordinateSystem::Equatorial : CoordinateSystem::Ecliptic;
    options.reference_epoch = ReferenceEpoch::OfDate;
    options.apparent = true;
    options.true_ecliptic = !equatorial;
    return options;
}

std::expected<Position, OrvaneError> place(const SearchSky& sky, std::int32_t body, double tt, bool equatorial = false) {
    return sky.engine.position(body, Instant{tt, TimeScale::Tt}, apparent_of_date(equatorial, sky.model));
}

// x reduced to (−period/2, period/2].
double wrapped(double x, double period) {
    double r = std::remainder(x, period);
    return r <= -period / 2.0 ? r + period : r;
}

// The fastest apparent geocentric motion of a body, degrees per day: it sets
// the sampling steps (a body not listed is taken as fast as Mercury).
double fastest_deg_per_day(std::int32_t body) {
    switch (body) {
        case MOON: return 15.5;
        case SUN: return 1.05;
        case 1: case 199: return 2.3;
        case 2: case 299: return 1.3;
        case 4: case 499: return 0.8;
        case 5: case 599: case 6: case 699: case 7: case 799: case 8: case 899: case 9: case 999: return 0.3;
        default: return 2.3;
    }
}

// The place with its longitude in the sidereal zodiac when one is asked.
std::expected<Position, OrvaneError> zodiac_place(const SearchSky& sky, std::int32_t body, double tt,
                                                  std::optional<SiderealMode> sidereal) {
    if (!sidereal) return place(sky, body, tt);
    return sky.engine.sidereal_position(body, Instant{tt, TimeScale::Tt}, apparent_of_date(false, sky.model),
                                        *sidereal);
}

// The longitude of `body` (tropical, or in the sidereal zodiac) less
// `offset_deg`, wrapped to the period.
SearchFunction longitude_function(const SearchSky& sky, std::int32_t body, double offset_deg, double period,
                                  std::optional<SiderealMode> sidereal) {
    return [&sky, body, offset_deg, period, sidereal](double tt) -> std::expected<SearchSample, OrvaneError> {
        auto p = zodiac_place(sky, body, tt, sidereal);
        if (!p) return std::unexpected(p.error());
        return SearchSample{wrapped(p->longitude_deg - offset_deg, period), p->longitude_speed_deg_per_day};
    };
}

// The longitude of `body` less that of `other` less `offset_deg`, wrapped.
SearchFunction difference_function(const SearchSky& sky, std::int32_t body, std::int32_t other, double offset_deg,
                                   double period) {
    return [&sky, body, other, offset_deg, period](double tt) -> std::expected<SearchSample, OrvaneError> {
        auto a = place(sky, body, tt);
        if (!a) return std::unexpected(a.error());
        auto b = place(sky, other, tt);
        if (!b) return std::unexpected(b.error());
        return SearchSample{wrapped(a->longitude_deg - b->longitude_deg - offset_deg, period),
                            a->longitude_speed_deg_per_day - b->longitude_speed_deg_per_day};
    };
}

// One quantity of a body's place, without a rate.
template <class Pick>
SearchFunction place_function(const SearchSky& sky, std::int32_t body, bool equatorial, Pick pick) {
    return [&sky, body, equatorial, pick](double tt) -> std::expected<SearchSample, OrvaneError> {
        auto p = place(sky, body, tt, equatorial);
        if (!p) return std::unexpected(p.error());
        return SearchSample{pick(*p)};
    };
}

// The angular distance between the body and the Sun, degrees.
SearchFunction separation_function(const SearchSky& sky, std::int32_t body) {
    return [&sky, body](double tt) -> std::expected<SearchSample, OrvaneError> {
        auto a = place(sky, body, tt);
        if (!a) return std::unexpected(a.error());
        auto s = place(sky, SUN, tt);
        if (!s) return std::unexpected(s.error());
        const double b1 = a->latitude_deg * DEG_TO_RAD, b2 = s->latitude_deg * DEG_TO_RAD;
        const double dl = (a->longitude_deg - s->longitude_deg) * DEG_TO_RAD;
        // Haversine form (Sinnott 1984), exact near zero.
        const double h = std::pow(std::sin((b1 - b2) / 2.0), 2) +
                         std::cos(b1) * std::cos(b2) * std::pow(std::sin(dl / 2.0), 2);
        return SearchSample{2.0 * std::asin(std::sqrt(std::min(1.0, h))) * RAD_TO_DEG};
    };
}

using Found = std::expected<std::vector<FoundEvent>, OrvaneError>;

bool never_stations(std::int32_t body) { return body == SUN || body == MOON; }

// [start, ..., end] cut where the rate of a longitude (or of a difference of
// two) changes sign: on each piece the angle moves one way only, so that
// sampling cannot step over two crossings of the same value (a retrograde
// planet crossing a longitude three times). Stations are sampled daily.
std::expected<std::vector<double>, OrvaneError> monotone_pieces(const SearchSky& sky, std::int32_t body,
                                                                std::int32_t other, double start, double end) {
    std::vector<double> cuts{start};
    if (!(never_stations(body) && (other == 0 || never_stations(other)))) {
        SearchFunction rate = [&sky, body, other](double tt) -> std::expected<SearchSample, OrvaneError> {
            auto a = place(sky, body, tt);
            if (!a) return std::unexpected(a.error());
            double speed = a->longitude_speed_deg_per_day;
            if (other != 0) {
                auto b = place(sky, other, tt);
                if (!b) return std::unexpected(b.error());
                speed -= b->longitude_speed_deg_per_day;
            }
            return SearchSample{speed};
        };
        auto stations = find_zeros(rate, start, end, 1.0);
        if (!stations) return std::unexpected(stations.error());
        for (const SearchZero& z : *stations) {
            if (z.julian_day > cuts.back()) cuts.push_back(z.julian_day);
        }
    }
    if (end > cuts.back() || cuts.size() == 1) cuts.push_back(end);
    return cuts;
}

using Namer = std::function<std::expected<std::string_view, OrvaneError>(const SearchZero&)>;

Found zeros_named(const SearchFunction& f, double start, double end, double step, double jump, const Namer& name) {
    auto zeros = find_zeros(f, start, end, step, jump);
    if (!zeros) return std::unexpected(zeros.error());
    std::vector<FoundEvent> out;
    for (const SearchZero& z : *zeros) {
        auto n = name(z);
        if (!n) return std::unexpected(n.error());
        out.push_back({z.julian_day, *n});
    }
    return out;
}

// The same on each piece where the angle moves one way (see monotone_pieces).
Found zeros_on_pieces(const SearchSky& sky, std::int32_t body, std::int32_t other, const SearchFunction& f,
                      double start, double end, double step, double jump, const Namer& name) {
    auto cuts = monotone_pieces(sky, body, other, start, end);
    if (!cuts) return std::unexpected(cuts.error());
    std::vector<FoundEvent> out;
    for (std::size_t i = 0; i + 1 < cuts->size(); ++i) {
        auto piece = zeros_named(f, (*cuts)[i], (*cuts)[i + 1], step, jump, name);
        if (!piece) return piece;
        for (const FoundEvent& event : *piece) {
            if (out.empty() || event.tt_julian_day - out.back().tt_julian_day > SEARCH_TOLERANCE_DAYS) {
                out.push_back(event);
            }
        }
    }
    return out;
}

constexpr std::array<std::string_view, 4> QUARTERS{"new_moon", "first_quarter", "full_moon", "last_quarter"};
constexpr std::array<std::string_view, 12> SIGNS{"aries",   "taurus",      "gemini",    "cancer",
                                                 "leo",     "virgo",       "libra",     "scorpio",
                                                 "sagittarius", "capricorn", "aquarius", "pisces"};

// --- The event functions, one per kind ---------------------------------------------------------

Found moon_quarters(const SearchSky& sky, const EventRequest&, double start, double end) {
    return zeros_named(difference_function(sky, MOON, SUN, 0.0, 90.0), start, end, 1.0, 45.0,
                       [&sky](const SearchZero& z) -> std::expected<std::string_view, OrvaneError> {
                           auto m = place(sky, MOON, z.julian_day);
                           if (!m) return std::unexpected(m.error());
                           auto s = place(sky, SUN, z.julian_day);
                           if (!s) return std::unexpected(s.error());
                           const double e = reduce_degrees(m->longitude_deg - s->longitude_deg);
                           return QUARTERS[static_cast<std::size_t>(std::lround(e / 90.0)) % 4];
                       });
}

Found longitude_crossings(const SearchSky& sky, const EventRequest& r, double start, double end) {
    return zeros_on_pieces(sky, r.body, 0, longitude_function(sky, r.body, r.angle_deg, 360.0, r.sidereal), start, end,
                       60.0 / fastest_deg_per_day(r.body), 180.0,
                       [](const SearchZero& z) -> std::expected<std::string_view, OrvaneError> {
                           return z.rising ? std::string_view("direct") : std::string_view("retrograde");
                       });
}

Found aspects(const SearchSky& sky, const EventRequest& r, double start, double end) {
    const double step = 60.0 / (fastest_deg_per_day(r.body) + fastest_deg_per_day(r.other));
    const double angle = std::abs(wrapped(r.angle_deg, 360.0));
    auto name = [](const SearchZero&) -> std::expected<std::string_view, OrvaneError> { return "exact"; };
    auto found = zeros_on_pieces(sky, r.body, r.other, difference_function(sky, r.body, r.other, angle, 360.0),
                                 start, end, step, 180.0, name);
    if (!found || angle == 0.0 || angle == 180.0) return found;
    auto other_side = zeros_on_pieces(sky, r.body, r.other,
                                      difference_function(sky, r.body, r.other, -angle, 360.0), start, end, step,
                                      180.0, name);
    if (!other_side) return other_side;
    found->insert(found->end(), other_side->begin(), other_side->end());
    std::sort(found->begin(), found->end(),
              [](const FoundEvent& a, const FoundEvent& b) { return a.tt_julian_day < b.tt_julian_day; });
    return found;
}

Found sign_ingresses(const SearchSky& sky, const EventRequest& r, double start, double end) {
    return zeros_on_pieces(sky, r.body, 0, longitude_function(sky, r.body, 0.0, 30.0, r.sidereal), start, end,
                           10.0 / fastest_deg_per_day(r.body), 15.0, [&sky, &r](const SearchZero& z) -> std::expected<std::string_view, OrvaneError> {
                           auto p = zodiac_place(sky, r.body, z.julian_day, r.sidereal);
                           if (!p) return std::unexpected(p.error());
                           long sign = std::lround(p->longitude_deg / 30.0);
                           if (!z.rising) sign -= 1;  // moving back into the sign before
                           return SIGNS[static_cast<std::size_t>((sign % 12 + 12) % 12)];
                       });
}

Found stations(const SearchSky& sky, const EventRequest& r, double start, double end) {
    auto speed = place_function(sky, r.body, false, [](const Position& p) { return p.longitude_speed_deg_per_day; });
    const double step = r.body == 1 || r.body == 199 ? 1.0 : 2.0;
    return zeros_named(speed, start, end, step, INFINITY,
                       [](const SearchZero& z) -> std::expected<std::string_view, OrvaneError> {
                           return z.rising ? std::string_view("station_direct") : std::string_view("station_retrograde");
                       });
}

Found sun_conjunctions(const SearchSky& sky, const EventRequest& r, double start, double end) {
    return zeros_named(difference_function(sky, r.body, SUN, 0.0, 180.0), start, end,
                       30.0 / (fastest_deg_per_day(r.body) + 1.05), 90.0,
                       [&sky, &r](const SearchZero& z) -> std::expected<std::string_view, OrvaneError> {
                           auto p = place(sky, r.body, z.julian_day);
                           if (!p) return std::unexpected(p.error());
                           auto s = place(sky, SUN, z.julian_day);
                           if (!s) return std::unexpected(s.error());
                           if (std::abs(wrapped(p->longitude_deg - s->longitude_deg, 360.0)) > 90.0) {
                               return std::string_view("opposition");
                           }
                           if (r.body == 1 || r.body == 199 || r.body == 2 || r.body == 299) {
                               return p->distance_au < s->distance_au ? std::string_view("inferior_conjunction")
                                                                      : std::string_view("superior_conjunction");
                           }
                           return std::string_view("conjunction");
                       });
}

Found greatest_elongations(const SearchSky& sky, const EventRequest& r, double start, double end) {
    auto turns = find_extrema(separation_function(sky, r.body), start, end, 3.0);
    if (!turns) return std::unexpected(turns.error());
    std::vector<FoundEvent> out;
    for (const SearchExtremum& t : *turns) {
        if (!t.maximum) continue;
        auto p = place(sky, r.body, t.julian_day);
        if (!p) return std::unexpected(p.error());
        auto s = place(sky, SUN, t.julian_day);
        if (!s) return std::unexpected(s.error());
        const bool east = wrapped(p->longitude_deg - s->longitude_deg, 360.0) > 0.0;
        out.push_back({t.julian_day, east ? "greatest_elongation_east" : "greatest_elongation_west"});
    }
    return out;
}

Found turns_named(const SearchFunction& f, double start, double end, double step, std::string_view maximum,
                  std::string_view minimum) {
    auto turns = find_extrema(f, start, end, step);
    if (!turns) return std::unexpected(turns.error());
    std::vector<FoundEvent> out;
    for (const SearchExtremum& t : *turns) out.push_back({t.julian_day, t.maximum ? maximum : minimum});
    return out;
}

Found lunar_apsides(const SearchSky& sky, const EventRequest&, double start, double end) {
    return turns_named(place_function(sky, MOON, false, [](const Position& p) { return p.distance_au; }), start,
                       end, 1.0, "apogee", "perigee");
}

Found lunar_declinations(const SearchSky& sky, const EventRequest&, double start, double end) {
    return turns_named(place_function(sky, MOON, true, [](const Position& p) { return p.latitude_deg; }), start,
                       end, 1.0, "greatest_north_declination", "greatest_south_declination");
}

Found lunar_nodes(const SearchSky& sky, const EventRequest&, double start, double end) {
    return zeros_named(place_function(sky, MOON, false, [](const Position& p) { return p.latitude_deg; }), start,
                       end, 1.0, INFINITY, [](const SearchZero& z) -> std::expected<std::string_view, OrvaneError> {
                           return z.rising ? std::string_view("ascending_node") : std::string_view("descending_node");
                       });
}

// --- The event table ------------------------------------------------------------------------------

struct EventRow {
    std::string_view name;
    Found (*find)(const SearchSky&, const EventRequest&, double, double);
};

constexpr std::array<EventRow, 10> EVENT_TABLE{{
    {"moon_quarters", moon_quarters},
    {"longitude", longitude_crossings},
    {"aspect", aspects},
    {"ingress", sign_ingresses},
    {"station", stations},
    {"sun_conjunction", sun_conjunctions},
    {"greatest_elongation", greatest_elongations},
    {"lunar_apsis", lunar_apsides},
    {"lunar_node", lunar_nodes},
    {"lunar_declination", lunar_declinations},
}};

}  // namespace

std::expected<std::vector<FoundEvent>, OrvaneError> find_events(const SpkOrvane& engine,
                                                                const EventRequest& request, double start_tt,
                                                                double end_tt) {
    for (const EventRow& row : EVENT_TABLE) {
        if (row.name == request.kind) {
            if (!std::isfinite(request.angle_deg)) {
                return std::unexpected(OrvaneError::invalid_request("the event's angle must be finite"));
            }
            return row.find(SearchSky{engine, request.model}, request, start_tt, end_tt);
        }
    }
    return std::unexpected(OrvaneError::invalid_request("unknown event kind \"" + std::string(request.kind) + "\""));
}

std::vector<std::string_view> event_kind_names() {
    std::vector<std::string_view> names;
    for (const EventRow& row : EVENT_TABLE) names.push_back(row.name);
    return names;
}

}  // namespace orvane
