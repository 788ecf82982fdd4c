#include "engine/eclipses/local_solar_eclipses.hpp"

#include <cmath>
#include <algorithm>
#include <numbers>

#include "core/body.hpp"
#include "core/constants.hpp"
#include "engine/eclipses/eclipse_geometry.hpp"
#include "engine/eclipses/solar_eclipses.hpp"
#include "engine/horizontal_position.hpp"
#include "engine/search/root_search.hpp"

namespace orvane {

namespace {

// Longer than half of any local eclipse (C1 to C4 lasts under four hours).
constexpr double LOCAL_REACH_DAYS = 0.25;
constexpr int VISIBILITY_SAMPLES = 12;

Origin place_origin(const GeodeticObserver& observer) { return Origin{OriginKind::Topocentric, observer}; }

}  // namespace

std::expected<LocalDiscs, OrvaneError> local_discs(const SpkOrvane& engine, const GeodeticObserver& observer,
                                                   double tt_julian_day) {
    auto bodies = apparent_sun_moon(engine, tt_julian_day, place_origin(observer));
    if (!bodies) return std::unexpected(std::move(bodies.error()));
    const double moon_distance = norm(bodies->moon_km), sun_distance = norm(bodies->sun_km);
    return LocalDiscs{angle_between_units(scaled(bodies->moon_km, 1.0 / moon_distance),
                                          scaled(bodies->sun_km, 1.0 / sun_distance)),
                      semi_diameter(MOON_RADIUS_KM, moon_distance), semi_diameter(SUN_RADIUS_KM, sun_distance)};
}

double obscured_fraction(double separation, double moon, double sun) {
    if (separation >= moon + sun) return 0.0;
    if (separation <= std::abs(moon - sun)) return std::min(moon, sun) * std::min(moon, sun) / (sun * sun);
    const double d = separation;
    const double lens = moon * moon * std::acos((d * d + moon * moon - sun * sun) / (2.0 * d * moon)) +
                        sun * sun * std::acos((d * d + sun * sun - moon * moon) / (2.0 * d * sun)) -
                        0.5 * std::sqrt((-d + moon + sun) * (d + moon - sun) * (d - moon + sun) * (d + moon + sun));
    return lens / (std::numbers::pi * sun * sun);
}

std::expected<std::vector<LocalSolarEclipse>, OrvaneError> find_local_solar_eclipses(
    const SpkOrvane& engine, const GeodeticObserver& observer, double start, double end,
    double horizon_altitude_deg) {
    if (auto valid = observer.validate(); !valid) return std::unexpected(OrvaneError::invalid_request(valid.error()));
    if (!std::isfinite(start) || !std::isfinite(end) || !(end >= start)) {
        return std::unexpected(OrvaneError::invalid_request("an eclipse search needs a finite range with end >= start"));
    }
    if (!(std::abs(horizon_altitude_deg) <= 90.0)) {
        return std::unexpected(
            OrvaneError::invalid_request("an eclipse search's horizon altitude must be finite, from -90 to 90 degrees"));
    }
    if (auto turns = require_earth_rotation(engine, "the local solar eclipse search", start); !turns) {
        return std::unexpected(std::move(turns.error()));
    }
    auto global = find_solar_eclipses(engine, start - 1.0, end + 1.0, false);
    if (!global) return std::unexpected(std::move(global.error()));
    const OffsetFunction offset = [&](double day) -> std::expected<Vector3, OrvaneError> {
        auto bodies = apparent_sun_moon(engine, day, place_origin(observer));
        if (!bodies) return std::unexpected(std::move(bodies.error()));
        return minus(unit(bodies->moon_km), unit(bodies->sun_km));
    };
    auto altitude = [&](double day) -> std::expected<double, OrvaneError> {
        if (std::isnan(day)) return NOT_REACHED;
        auto sky = horizontal_position(engine, Body::Sun, observer, Instant{day, TimeScale::Tt}, false);
        if (!sky) return std::unexpected(std::move(sky.error()));
        return sky->altitude_deg;
    };
    std::vector<LocalSolarEclipse> found;
    for (const SolarEclipse& seen : *global) {
        auto maximum = closest_approach(offset, seen.greatest);
        if (!maximum) return std::unexpected(std::move(maximum.error()));
        if (*maximum < start || *maximum > end) continue;
        auto at = local_discs(engine, observer, *maximum);
        if (!at) return std::unexpected(std::move(at.error()));
        if (!(at->separation_rad < at->moon_radius_rad + at->sun_radius_rad)) continue;

        LocalSolarEclipse eclipse;
        eclipse.maximum = *maximum;
        const bool central = at->separation_rad < std::abs(at->moon_radius_rad - at->sun_radius_rad);
        eclipse.kind = !central                                    ? LocalEclipseKind::Partial
                       : at->moon_radius_rad > at->sun_radius_rad ? LocalEclipseKind::Total
                                                                   : LocalEclipseKind::Annular;
        eclipse.magnitude = central ? at->moon_radius_rad / at->sun_radius_rad
                                    : (at->sun_radius_rad + at->moon_radius_rad - at->separation_rad) /
                                          (2.0 * at->sun_radius_rad);
        eclipse.obscuration = obscured_fraction(at->separation_rad, at->moon_radius_rad, at->sun_radius_rad);

        // Contacts: the separation less the sum (C1, C4) or the difference
        // (C2, C3) of the semi-diameters crossing zero.
        auto contacts = [&](bool inner, double& before, double& after) -> std::expected<void, OrvaneError> {
            const SearchFunction edge = [&](double day) -> std::expected<SearchSample, OrvaneError> {
                auto discs = local_discs(engine, observer, day);
                if (!discs) return std::unexpected(std::move(discs.error()));
                const double reach = inner ? std::abs(discs->moon_radius_rad - discs->sun_radius_rad)
                                           : discs->moon_radius_rad + discs->sun_radius_rad;
                return SearchSample{discs->separation_rad - reach};
            };
            auto first = find_zeros(edge, *maximum - LOCAL_REACH_DAYS, *maximum, LOCAL_REACH_DAYS);
            if (!first) return std::unexpected(std::move(first.error()));
            auto last = find_zeros(edge, *maximum, *maximum + LOCAL_REACH_DAYS, LOCAL_REACH_DAYS);
            if (!last) return std::unexpected(std::move(last.error()));
            if (first->size() == 1) before = first->front().julian_day;
            if (last->size() == 1) after = last->front().julian_day;
            return {};
        };
        if (auto done = contacts(false, eclipse.c1, eclipse.c4); !done) return std::unexpected(done.error());
        if (central) {
            if (auto done = contacts(true, eclipse.c2, eclipse.c3); !done) return std::unexpected(done.error());
        }
        const double days[5] = {eclipse.c1, eclipse.c2, eclipse.maximum, eclipse.c3, eclipse.c4};
        double* altitudes[5] = {&eclipse.altitude_c1_deg, &eclipse.altitude_c2_deg, &eclipse.altitude_maximum_deg,
                                &eclipse.altitude_c3_deg, &eclipse.altitude_c4_deg};
        for (int i = 0; i < 5; ++i) {
            auto value = altitude(days[i]);
            if (!value) return std::unexpected(std::move(value.error()));
            *altitudes[i] = *value;
        }
        // Seen when the Sun has risen at some moment from C1 to C4: its
        // geometric altitude above the horizon altitude (by default −50′:
        // upper limb on the horizon, standard refraction), sampled at the
        // contacts, maximum and twelfths between.
        const double first = std::isnan(eclipse.c1) ? *maximum : eclipse.c1;
        const double last = std::isnan(eclipse.c4) ? *maximum : eclipse.c4;
        eclipse.visible = eclipse.altitude_maximum_deg > horizon_altitude_deg;
        for (int k = 0; k <= VISIBILITY_SAMPLES && !eclipse.visible; ++k) {
            auto value = altitude(first + (last - first) * k / VISIBILITY_SAMPLES);
            if (!value) return std::unexpected(std::move(value.error()));
            eclipse.visible = *value > horizon_altitude_deg;
        }
        found.push_back(eclipse);
    }
    return found;
}

}  // namespace orvane
