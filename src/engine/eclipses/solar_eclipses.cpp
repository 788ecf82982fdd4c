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


// The geodetic vertical at a surface point.
Vector3 vertical(const Vector3& point) {
    return unit(Vector3{point[0], point[1], point[2] / GRS80_ONE_MINUS_ECCENTRICITY_SQUARED});
}

// A point fixed on the Earth, given in the frame of date at `from`, in the
// frame of date at `day`: turned east by the Earth's rotation meanwhile.
Vector3 turned_with_earth(const Vector3& point, double from, double day) {
    const double angle = EARTH_ROTATION_RAD_PER_UT1_DAY * (day - from);
    const double c = std::cos(angle), s = std::sin(angle);
    return {c * point[0] - s * point[1], s * point[0] + c * point[1], point[2]};
}

// A point's offset from the shadow's axis in the fundamental plane, km.
Vector3 offset_from_axis(const ShadowCones& cones, const Vector3& point) {
    const Vector3 from_moon = minus(point, cones.moon_km);
    return minus(from_moon, scaled(cones.axis, dot(from_moon, cones.axis)));
}

// How far outside the umbra (or antumbra) a ground point passes, km:
// at its nearest approach to the axis, its distance from the axis in the
// fundamental plane less the cone's radius at its height, |l2 − ζ tan f2|;
// infinite when the Sun is below its horizon then. The point is Earth-fixed,
// given in the frame of date at `greatest`.
std::expected<double, OrvaneError> margin_outside_umbra(const SpkOrvane& engine, double greatest,
                                                        const Vector3& point) {
    const OffsetFunction offset = [&](double day) -> std::expected<Vector3, OrvaneError> {
        auto cones = shadow_cones(engine, day);
        if (!cones) return std::unexpected(std::move(cones.error()));
        return scaled(offset_from_axis(*cones, turned_with_earth(point, greatest, day)),
                      1.0 / EARTH_EQUATORIAL_RADIUS_KM);
    };
    auto nearest = closest_approach(offset, greatest);
    if (!nearest) return std::unexpected(std::move(nearest.error()));
    auto cones = shadow_cones(engine, *nearest);
    if (!cones) return std::unexpected(std::move(cones.error()));
    const Vector3 there = turned_with_earth(point, greatest, *nearest);
    if (!(dot(vertical(there), cones->axis) < 0.0)) return INFINITY;
    const double height = -dot(there, cones->axis);
    return norm(offset_from_axis(*cones, there)) - std::abs(cones->l2 - height * cones->tan_f2);
}

// Where the ray from inside the ellipsoid leaves it.
Vector3 surface_point_outward(const Vector3& p, const Vector3& d) {
    const Vector3 ps = to_sphere(p), ds = to_sphere(d);
    const double a = dot(ds, ds), b = 2.0 * dot(ps, ds);
    const double c = dot(ps, ps) - EARTH_EQUATORIAL_RADIUS_KM * EARTH_EQUATORIAL_RADIUS_KM;
    const double s = (-b + std::sqrt(b * b - 4.0 * a * c)) / (2.0 * a);
    return {p[0] + s * d[0], p[1] + s * d[1], p[2] + s * d[2]};
}

// The width of the central path at greatest eclipse, km: the length, on the
// ellipsoid, of the section through the central line's point `foot`
// perpendicular to the path, between the path's northern and southern
// limits. A ground point lies on a limit when the umbral cone's edge just
// reaches it at its nearest approach to the axis (Bessel's condition for
// the limits: Explanatory Supplement to the Astronomical Almanac, 3rd ed.,
// 2013, 11.2), or where the path meets
// the sunrise or sunset terminator. Where the axis grazes the Earth the
// path is not the umbra's tangent-plane section: the ground curves away
// under the nearly horizontal cone, which this follows exactly.
std::expected<double, OrvaneError> path_width(const SpkOrvane& engine, double greatest, const ShadowCones& cones,
                                              const Vector3& foot) {
    // Across the path: the tangent-plane direction normal to the limits,
    // from the axis's motion over the ground in the fundamental plane.
    constexpr double STEP = 30.0 * ONE_SECOND_DAYS;
    auto before = shadow_cones(engine, greatest - STEP);
    if (!before) return std::unexpected(std::move(before.error()));
    auto after = shadow_cones(engine, greatest + STEP);
    if (!after) return std::unexpected(std::move(after.error()));
    const Vector3 motion = minus(offset_from_axis(*before, turned_with_earth(foot, greatest, greatest - STEP)),
                                 offset_from_axis(*after, turned_with_earth(foot, greatest, greatest + STEP)));
    const Vector3 up = vertical(foot);
    const Vector3 normal = unit(cross(cones.axis, motion));
    const Vector3 across = unit(minus(normal, scaled(up, dot(normal, up))));
    // The section's points: rays from a centre below the foot, in the plane
    // of the vertical and `across`, by their angle from the vertical.
    const double depth = norm(foot);
    const Vector3 centre = minus(foot, scaled(up, depth));
    auto section = [&](double angle) {
        return surface_point_outward(centre, Vector3{std::cos(angle) * up[0] + std::sin(angle) * across[0],
                                                     std::cos(angle) * up[1] + std::sin(angle) * across[1],
                                                     std::cos(angle) * up[2] + std::sin(angle) * across[2]});
    };
    double limits[2] = {0.0, 0.0};
    for (int side = 0; side < 2; ++side) {
        const double sign = side == 0 ? 1.0 : -1.0;
        // Outward in doubling steps from 25 km until outside, then halving
        // to ten metres.
        double inside = 0.0, outside = 25.0 / depth;
        while (true) {
            auto margin = margin_outside_umbra(engine, greatest, section(sign * outside));
            if (!margin) return std::unexpected(std::move(margin.error()));
            if (*margin >= 0.0) break;
            inside = outside;
            if (outside >= std::numbers::pi / 2.0) break;
            outside = std::min(2.0 * outside, std::numbers::pi / 2.0);
        }
        while (outside - inside > 1e-2 / depth) {
            const double middle = (inside + outside) / 2.0;
            auto margin = margin_outside_umbra(engine, greatest, section(sign * middle));
            if (!margin) return std::unexpected(std::move(margin.error()));
            (*margin < 0.0 ? inside : outside) = middle;
        }
        limits[side] = sign * (inside + outside) / 2.0;
    }
    // The section's length between them, by chords.
    constexpr int CHORDS = 64;
    double length = 0.0;
    Vector3 last = section(limits[1]);
    for (int i = 1; i <= CHORDS; ++i) {
        const Vector3 next = section(limits[1] + (limits[0] - limits[1]) * i / CHORDS);
        length += norm(minus(next, last));
        last = next;
    }
    return length;
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
                                                                          double end, bool with_path_widths) {
    if (!std::isfinite(start) || !std::isfinite(end) || !(end >= start)) {
        return std::unexpected(OrvaneError::invalid_request("an eclipse search needs a finite range with end >= start"));
    }
    if (auto turns = require_earth_rotation(engine, "the solar eclipse search", start); !turns) {
        return std::unexpected(std::move(turns.error()));
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

        if (foot.central && with_path_widths) {
            auto width = path_width(engine, *greatest, *cones, foot.point);
            if (!width) return std::unexpected(std::move(width.error()));
            eclipse.path_width_km = *width;
        }
        found.push_back(eclipse);
    }
    return found;
}

}  // namespace orvane
