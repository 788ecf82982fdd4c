#include "engine/eclipses/solar_eclipses.hpp"

#include <cmath>
#include <numbers>
#include <optional>
#include <utility>
#include <algorithm>

#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "core/frames/nutation.hpp"
#include "engine/eclipses/eclipse_geometry.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/search/root_search.hpp"
#include "engine/seasons_lunations.hpp"

namespace orvane {

namespace {

// No solar eclipse is possible when the Moon stands further than this from
// the Sun at new Moon (the sum of the Moon's parallax and both
// semi-diameters is 1.58° at most).
constexpr double SOLAR_ECLIPSE_LIMIT_RAD = 1.75 * DEG_TO_RAD;
constexpr double POLAR_SCALE = 1.0 - GRS80_FLATTENING;

// The ellipsoid made a sphere of the equatorial radius: z stretched by 1/(1 − f).
Vector3 to_sphere(const Vector3& v) { return {v[0], v[1], v[2] / POLAR_SCALE}; }

// Where the line p + s d (s ≥ 0) first meets the ellipsoid, if it does.
std::optional<Vector3> first_surface_point(const Vector3& p, const Vector3& d) {
    const Vector3 ps = to_sphere(p), ds = to_sphere(d);
    const double a = dot(ds, ds), b = 2.0 * dot(ps, ds);
    const double c = dot(ps, ps) - EARTH_EQUATORIAL_RADIUS_KM * EARTH_EQUATORIAL_RADIUS_KM;
    const double discriminant = b * b - 4.0 * a * c;
    if (discriminant < 0.0) return std::nullopt;
    const double s = (-b - std::sqrt(discriminant)) / (2.0 * a);
    return Vector3{p[0] + s * d[0], p[1] + s * d[1], p[2] + s * d[2]};
}

// Geodetic latitude and east longitude of a surface point, the Greenwich
// apparent sidereal time given (polar motion neglected: below 15 m).
SurfacePlace surface_place(const Vector3& point, double gast_rad) {
    const double rho = std::hypot(point[0], point[1]);
    SurfacePlace place;
    place.latitude_deg = std::atan2(point[2], GRS80_ONE_MINUS_ECCENTRICITY_SQUARED * rho) * RAD_TO_DEG;
    double longitude = std::remainder(std::atan2(point[1], point[0]) - gast_rad, TWO_PI);
    place.longitude_east_deg = longitude * RAD_TO_DEG;
    return place;
}

// The Earth's outline seen along the axis, in the fundamental plane: an
// ellipse of semi-axes a (across) and a √(1 − e² cos² d) (towards the
// celestial north, d the axis's declination); and the axis's nearest
// approach to it. The distance is negative inside.
struct AxisOutline {
    Vector3 across{}, north{};  // the plane's unit vectors
    double x = 0.0, y = 0.0;    // the axis's point, km
    double minor = 0.0;         // the outline's north semi-axis, km
    double distance = 0.0;      // from the axis's point to the outline, km
    double nearest_x = 0.0, nearest_y = 0.0;
};

AxisOutline axis_outline(const ShadowCones& cones) {
    AxisOutline o;
    o.north = unit(minus(Vector3{0.0, 0.0, 1.0}, scaled(cones.axis, cones.axis[2])));
    o.across = cross(o.north, cones.axis);
    o.x = dot(cones.axis_offset, o.across);
    o.y = dot(cones.axis_offset, o.north);
    const double cos2_d = 1.0 - cones.axis[2] * cones.axis[2];
    const double a = EARTH_EQUATORIAL_RADIUS_KM;
    o.minor = a * std::sqrt(1.0 - GRS80_ECCENTRICITY_SQUARED * cos2_d);
    auto gap = [&](double t) { return std::hypot(o.x - a * std::cos(t), o.y - o.minor * std::sin(t)); };
    // The nearest point of the outline: the best of 360 samples, then
    // golden sections down to a nanoradian.
    double best = 0.0, least = INFINITY;
    for (int i = 0; i < 360; ++i) {
        const double t = i * TWO_PI / 360.0;
        if (const double g = gap(t); g < least) least = g, best = t;
    }
    double lo = best - TWO_PI / 360.0, hi = best + TWO_PI / 360.0;
    constexpr double GOLDEN = 0.6180339887498949;
    while (hi - lo > 1e-9) {
        const double c = hi - GOLDEN * (hi - lo), d = lo + GOLDEN * (hi - lo);
        if (gap(c) < gap(d)) {
            hi = d;
        } else {
            lo = c;
        }
    }
    const double t = (lo + hi) / 2.0;
    o.nearest_x = a * std::cos(t);
    o.nearest_y = o.minor * std::sin(t);
    const bool inside = (o.x / a) * (o.x / a) + (o.y / o.minor) * (o.y / o.minor) < 1.0;
    o.distance = inside ? -gap(t) : gap(t);
    return o;
}

// The place on the ellipsoid under the axis, or on its limb nearest it.
struct AxisFoot {
    Vector3 point{};
    bool central = false;
};

AxisFoot axis_foot(const ShadowCones& cones, const AxisOutline& outline) {
    if (auto hit = first_surface_point(cones.moon_km, cones.axis)) return {*hit, true};
    // The limb point: the outline's nearest point carried along the axis to
    // where its line grazes the ellipsoid.
    const Vector3 in_plane =
        Vector3{outline.nearest_x * outline.across[0] + outline.nearest_y * outline.north[0],
                outline.nearest_x * outline.across[1] + outline.nearest_y * outline.north[1],
                outline.nearest_x * outline.across[2] + outline.nearest_y * outline.north[2]};
    const Vector3 ps = to_sphere(in_plane), ds = to_sphere(cones.axis);
    const double s = -dot(ps, ds) / dot(ds, ds);
    return {Vector3{in_plane[0] + s * cones.axis[0], in_plane[1] + s * cones.axis[1], in_plane[2] + s * cones.axis[2]},
            false};
}

// Whether the umbra misses the ground (annular) at either end of the
// central line: the instants, within six hours of greatest eclipse, at
// which the axis grazes the Earth's outline, where the surface stands
// least above the fundamental plane.
std::expected<bool, OrvaneError> path_ends_annular(const SpkOrvane& engine, double greatest) {
    const SearchFunction outside = [&](double day) -> std::expected<SearchSample, OrvaneError> {
        auto cones = shadow_cones(engine, day);
        if (!cones) return std::unexpected(std::move(cones.error()));
        return SearchSample{axis_outline(*cones).distance};
    };
    constexpr double REACH = 0.25;
    for (const auto& [from, to] : {std::pair{greatest - REACH, greatest}, std::pair{greatest, greatest + REACH}}) {
        auto ends = find_zeros(outside, from, to, REACH);
        if (!ends) return std::unexpected(std::move(ends.error()));
        if (ends->size() != 1) continue;
        auto cones = shadow_cones(engine, ends->front().julian_day);
        if (!cones) return std::unexpected(std::move(cones.error()));
        const AxisFoot foot = axis_foot(*cones, axis_outline(*cones));
        if (cones->l2 + dot(foot.point, cones->axis) * cones->tan_f2 > 0.0) return true;
    }
    return false;
}

// Greenwich apparent sidereal time at a TT day (IAU 2006/2000B).
std::expected<double, OrvaneError> gast_at(const SpkOrvane& engine, double tt_julian_day) {
    auto epochs = earth_rotation_epochs(engine, TimeScale::Tt, tt_julian_day);
    if (!epochs) return std::unexpected(std::move(epochs.error()));
    return greenwich_apparent_sidereal_time_iau2006(epochs->ut1_julian_day, epochs->tt_julian_day,
                                                    nutation_iau2000b(epochs->tt_julian_day));
}

// The Earth-fixed vector of a point of date (turned by the sidereal time).
Vector3 earth_fixed(const Vector3& v, double gast_rad) {
    const double c = std::cos(gast_rad), s = std::sin(gast_rad);
    return {c * v[0] + s * v[1], -s * v[0] + c * v[1], v[2]};
}

}  // namespace

std::expected<ShadowCones, OrvaneError> shadow_cones(const SpkOrvane& engine, double tt_julian_day) {
    auto bodies = apparent_sun_moon(engine, tt_julian_day, Origin{});
    if (!bodies) return std::unexpected(std::move(bodies.error()));
    ShadowCones cones;
    cones.moon_km = bodies->moon_km;
    cones.sun_km = bodies->sun_km;
    const Vector3 sun_to_moon = minus(bodies->moon_km, bodies->sun_km);
    const double separation = norm(sun_to_moon);
    cones.axis = scaled(sun_to_moon, 1.0 / separation);
    // The geocentre stands this far beyond the Moon along the axis.
    const double beyond_moon = -dot(bodies->moon_km, cones.axis);
    const double sin_f1 = (SUN_RADIUS_KM + MOON_RADIUS_KM) / separation;
    const double sin_f2 = (SUN_RADIUS_KM - MOON_RADIUS_KM) / separation;
    const double cos_f1 = std::sqrt(1.0 - sin_f1 * sin_f1), cos_f2 = std::sqrt(1.0 - sin_f2 * sin_f2);
    cones.tan_f1 = sin_f1 / cos_f1;
    cones.tan_f2 = sin_f2 / cos_f2;
    cones.l1 = beyond_moon * cones.tan_f1 + MOON_RADIUS_KM / cos_f1;
    cones.l2 = beyond_moon * cones.tan_f2 - MOON_RADIUS_KM / cos_f2;
    cones.axis_offset = minus(bodies->moon_km, scaled(cones.axis, dot(bodies->moon_km, cones.axis)));
    return cones;
}

std::expected<std::vector<SolarEclipse>, OrvaneError> find_solar_eclipses(const SpkOrvane& engine, double start,
                                                                          double end) {
    if (!std::isfinite(start) || !std::isfinite(end) || !(end >= start)) {
        return std::unexpected(OrvaneError::invalid_request("an eclipse search needs a finite range with end >= start"));
    }
    std::vector<SolarEclipse> found;
    const OffsetFunction offset = [&](double day) -> std::expected<Vector3, OrvaneError> {
        auto cones = shadow_cones(engine, day);
        if (!cones) return std::unexpected(std::move(cones.error()));
        return scaled(cones->axis_offset, 1.0 / EARTH_EQUATORIAL_RADIUS_KM);
    };
    double after = start - 1.0;
    while (true) {
        auto fresh = next_sun_moon_elongation(engine, Instant{after, TimeScale::Tt}, 0.0);
        if (!fresh) return std::unexpected(std::move(fresh.error()));
        after = fresh->julian_day;
        if (after > end + 1.0) break;
        auto bodies = apparent_sun_moon(engine, after, Origin{});
        if (!bodies) return std::unexpected(std::move(bodies.error()));
        if (angle_between_units(unit(bodies->moon_km), unit(bodies->sun_km)) > SOLAR_ECLIPSE_LIMIT_RAD) continue;
        auto greatest = closest_approach(offset, after);
        if (!greatest) return std::unexpected(std::move(greatest.error()));
        if (*greatest < start || *greatest > end) continue;
        auto cones = shadow_cones(engine, *greatest);
        if (!cones) return std::unexpected(std::move(cones.error()));

        // The axis's distance from the Earth's outline against the cones'
        // radii in the fundamental plane.
        const AxisOutline outline = axis_outline(*cones);
        if (!(outline.distance < cones->l1)) continue;

        SolarEclipse eclipse;
        eclipse.greatest = *greatest;
        const Vector3 north = minus(Vector3{0.0, 0.0, 1.0}, scaled(cones->axis, cones->axis[2]));
        const double side = dot(cones->axis_offset, north) < 0.0 ? -1.0 : 1.0;
        eclipse.gamma = side * norm(cones->axis_offset) / EARTH_EQUATORIAL_RADIUS_KM;
        const AxisFoot foot = axis_foot(*cones, outline);
        eclipse.central = foot.central;
        // The umbral cone's radius where it meets the surface: l2 less the
        // height above the fundamental plane times tan f2.
        const double height = -dot(foot.point, cones->axis);
        const double umbra_there = cones->l2 - height * cones->tan_f2;
        if (foot.central) {
            if (umbra_there < 0.0) {
                auto annular_end = path_ends_annular(engine, *greatest);
                if (!annular_end) return std::unexpected(std::move(annular_end.error()));
                eclipse.kind = *annular_end ? SolarEclipseKind::Hybrid : SolarEclipseKind::Total;
            } else {
                eclipse.kind = SolarEclipseKind::Annular;
            }
        } else if (outline.distance < std::abs(cones->l2)) {
            eclipse.kind = cones->l2 < 0.0 ? SolarEclipseKind::Total : SolarEclipseKind::Annular;
        } else {
            eclipse.kind = SolarEclipseKind::Partial;
        }

        auto gast = gast_at(engine, *greatest);
        if (!gast) return std::unexpected(std::move(gast.error()));
        eclipse.place = surface_place(foot.point, *gast);

        // The magnitude seen from that place (the observer's own motion is
        // below a hundredth of an arcsecond here).
        const Vector3 moon = minus(cones->moon_km, foot.point), sun = minus(cones->sun_km, foot.point);
        const double moon_radius = semi_diameter(MOON_RADIUS_KM, norm(moon));
        const double sun_radius = semi_diameter(SUN_RADIUS_KM, norm(sun));
        const double apart = angle_between_units(unit(moon), unit(sun));
        eclipse.magnitude = apart <= std::abs(moon_radius - sun_radius)
                                ? moon_radius / sun_radius
                                : (sun_radius + moon_radius - apart) / (2.0 * sun_radius);

        if (foot.central) {
            // The path's width across the track: the umbra's section by the
            // local horizontal plane is an ellipse (semi-axes |L2| across
            // the axis's projection and |L2| / cos z along it); its extent
            // across the central line's motion over the ground.
            const double radius = std::abs(umbra_there);
            auto later = shadow_cones(engine, *greatest + 30.0 * ONE_SECOND_DAYS);
            if (!later) return std::unexpected(std::move(later.error()));
            auto later_gast = gast_at(engine, *greatest + 30.0 * ONE_SECOND_DAYS);
            if (!later_gast) return std::unexpected(std::move(later_gast.error()));
            if (auto hit = first_surface_point(later->moon_km, later->axis)) {
                // The ground track's step, Earth-fixed, turned back to the frame of date.
                const Vector3 moved = minus(earth_fixed(*hit, *later_gast), earth_fixed(foot.point, *gast));
                const double c = std::cos(*gast), s = std::sin(*gast);
                const Vector3 track{c * moved[0] - s * moved[1], s * moved[0] + c * moved[1], moved[2]};
                const Vector3 up = unit(Vector3{foot.point[0], foot.point[1],
                                                foot.point[2] / GRS80_ONE_MINUS_ECCENTRICITY_SQUARED});
                const Vector3 across = unit(cross(up, track));
                const double cos_z = std::abs(dot(up, cones->axis));
                const Vector3 along_axis = minus(cones->axis, scaled(up, dot(up, cones->axis)));
                const double along_norm = norm(along_axis);
                const double w_along = along_norm > 0.0 ? dot(across, along_axis) / along_norm : 0.0;
                const double w_side = std::sqrt(std::max(0.0, 1.0 - w_along * w_along));
                eclipse.path_width_km = 2.0 * std::hypot(radius * w_side, radius / cos_z * w_along);
            }
        }
        found.push_back(eclipse);
    }
    return found;
}

}  // namespace orvane
