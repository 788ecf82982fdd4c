#include "engine/eclipses/lunar_eclipses.hpp"

#include "core/constants.hpp"
#include "engine/eclipses/eclipse_geometry.hpp"
#include "engine/search/root_search.hpp"
#include "engine/seasons_lunations.hpp"

namespace orvane {

namespace {

// The Earth's radius that casts the shadow: the equatorial one, as Danjon,
// Chauvenet and the almanacs take it (Espenak & Meeus's factor 0.998340 for
// the oblateness would lower every magnitude by about 0.003).
constexpr double SHADOW_EARTH_RADIUS_KM = EARTH_EQUATORIAL_RADIUS_KM;
// No lunar eclipse is possible when the Moon stands further than this from
// the shadow's centre at full Moon: the penumbra's radius and the Moon's
// semi-diameter add up to 1.59° at most.
constexpr double LUNAR_ECLIPSE_LIMIT_RAD = 1.75 * DEG_TO_RAD;
// Half the longest stretch from P1 to P4 (about 6.3 hours) and a margin.
constexpr double CONTACT_REACH_DAYS = 0.3;

// The Moon's offset from the shadow's centre: both unit vectors.
std::expected<Vector3, OrvaneError> shadow_offset(const SpkOrvane& engine, double day) {
    auto bodies = apparent_sun_moon(engine, day, Origin{});
    if (!bodies) return std::unexpected(std::move(bodies.error()));
    return minus(unit(bodies->moon_km), scaled(unit(bodies->sun_km), -1.0));
}

}  // namespace

std::expected<LunarShadowGeometry, OrvaneError> lunar_shadow_geometry(const SpkOrvane& engine, double tt_julian_day,
                                                                      ShadowRule rule) {
    auto bodies = apparent_sun_moon(engine, tt_julian_day, Origin{});
    if (!bodies) return std::unexpected(std::move(bodies.error()));
    const double moon_distance = norm(bodies->moon_km), sun_distance = norm(bodies->sun_km);
    const Vector3 moon = scaled(bodies->moon_km, 1.0 / moon_distance);
    const Vector3 centre = scaled(bodies->sun_km, -1.0 / sun_distance);
    LunarShadowGeometry g;
    g.separation_rad = angle_between_units(moon, centre);
    g.moon_radius_rad = semi_diameter(MOON_RADIUS_KM, moon_distance);
    const double moon_parallax = std::asin(SHADOW_EARTH_RADIUS_KM / moon_distance);
    const double sun_parallax = std::asin(EARTH_EQUATORIAL_RADIUS_KM / sun_distance);
    const double sun_radius = semi_diameter(SUN_RADIUS_KM, sun_distance);
    if (rule == ShadowRule::Danjon) {
        g.umbra_radius_rad = 1.01 * moon_parallax + sun_parallax - sun_radius;
        g.penumbra_radius_rad = 1.01 * moon_parallax + sun_parallax + sun_radius;
    } else {
        g.umbra_radius_rad = 1.02 * (moon_parallax + sun_parallax - sun_radius);
        g.penumbra_radius_rad = 1.02 * (moon_parallax + sun_parallax + sun_radius);
    }
    // The Moon's distance from the axis in the plane through it, signed by
    // the side of the axis (north positive) it stands on.
    const Vector3 offset = minus(moon, centre);
    const Vector3 north = minus(Vector3{0.0, 0.0, 1.0}, scaled(centre, centre[2]));
    const double side = dot(offset, north) < 0.0 ? -1.0 : 1.0;
    g.gamma = side * moon_distance * std::sin(g.separation_rad) / EARTH_EQUATORIAL_RADIUS_KM;
    return g;
}

std::expected<std::vector<LunarEclipse>, OrvaneError> find_lunar_eclipses(const SpkOrvane& engine, double start,
                                                                          double end, ShadowRule rule) {
    if (!std::isfinite(start) || !std::isfinite(end) || !(end >= start)) {
        return std::unexpected(OrvaneError::invalid_request("an eclipse search needs a finite range with end >= start"));
    }
    std::vector<LunarEclipse> found;
    const OffsetFunction offset = [&](double day) { return shadow_offset(engine, day); };
    double after = start - 1.0;
    while (true) {
        auto full = next_sun_moon_elongation(engine, Instant{after, TimeScale::Tt}, 180.0);
        if (!full) return std::unexpected(std::move(full.error()));
        after = full->julian_day;
        if (after > end + 1.0) break;
        auto near = offset(after);
        if (!near) return std::unexpected(std::move(near.error()));
        if (norm(*near) > LUNAR_ECLIPSE_LIMIT_RAD) continue;
        auto greatest = closest_approach(offset, after);
        if (!greatest) return std::unexpected(std::move(greatest.error()));
        if (*greatest < start || *greatest > end) continue;
        auto at = lunar_shadow_geometry(engine, *greatest, rule);
        if (!at) return std::unexpected(std::move(at.error()));
        if (!(at->separation_rad < at->penumbra_radius_rad + at->moon_radius_rad)) continue;

        LunarEclipse eclipse;
        eclipse.greatest = *greatest;
        eclipse.moon_radius_rad = at->moon_radius_rad;
        eclipse.umbra_radius_rad = at->umbra_radius_rad;
        eclipse.penumbra_radius_rad = at->penumbra_radius_rad;
        eclipse.separation_rad = at->separation_rad;
        eclipse.gamma = at->gamma;
        const double diameter = 2.0 * at->moon_radius_rad;
        eclipse.umbral_magnitude = (at->umbra_radius_rad + at->moon_radius_rad - at->separation_rad) / diameter;
        eclipse.penumbral_magnitude = (at->penumbra_radius_rad + at->moon_radius_rad - at->separation_rad) / diameter;
        const bool partial = at->separation_rad < at->umbra_radius_rad + at->moon_radius_rad;
        const bool total = at->separation_rad < at->umbra_radius_rad - at->moon_radius_rad;
        eclipse.kind = total ? LunarEclipseKind::Total : partial ? LunarEclipseKind::Partial : LunarEclipseKind::Penumbral;

        // Contacts: the separation less (penumbra + Moon), (umbra + Moon),
        // (umbra − Moon) crossing zero before and after greatest eclipse.
        auto contacts = [&](int which, double& before, double& after_greatest) -> std::expected<void, OrvaneError> {
            const SearchFunction edge = [&](double day) -> std::expected<SearchSample, OrvaneError> {
                auto g = lunar_shadow_geometry(engine, day, rule);
                if (!g) return std::unexpected(std::move(g.error()));
                const double reach = which == 0   ? g->penumbra_radius_rad + g->moon_radius_rad
                                     : which == 1 ? g->umbra_radius_rad + g->moon_radius_rad
                                                  : g->umbra_radius_rad - g->moon_radius_rad;
                return SearchSample{g->separation_rad - reach};
            };
            auto first = find_zeros(edge, *greatest - CONTACT_REACH_DAYS, *greatest, CONTACT_REACH_DAYS);
            if (!first) return std::unexpected(std::move(first.error()));
            auto last = find_zeros(edge, *greatest, *greatest + CONTACT_REACH_DAYS, CONTACT_REACH_DAYS);
            if (!last) return std::unexpected(std::move(last.error()));
            if (first->size() == 1) before = first->front().julian_day;
            if (last->size() == 1) after_greatest = last->front().julian_day;
            return {};
        };
        if (auto done = contacts(0, eclipse.p1, eclipse.p4); !done) return std::unexpected(std::move(done.error()));
        if (partial) {
            if (auto done = contacts(1, eclipse.u1, eclipse.u4); !done) return std::unexpected(done.error());
        }
        if (total) {
            if (auto done = contacts(2, eclipse.u2, eclipse.u3); !done) return std::unexpected(done.error());
        }
        found.push_back(eclipse);
    }
    return found;
}

}  // namespace orvane
