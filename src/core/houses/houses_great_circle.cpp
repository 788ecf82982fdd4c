// House systems whose house circles are great circles through a fixed axis:
// the cusp is where the circle of a house meets the ecliptic.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "core/houses/house_division.hpp"
#include "core/vector.hpp"

namespace orvane {

namespace {

constexpr double PI = std::numbers::pi;
constexpr double HALF_PI = PI / 2.0;
constexpr double THIRTY_DEG_RAD = PI / 6.0;

// Vectors on the equatorial axes of date (x to the equinox, z to the pole).
using Vector = Vector3;
Vector combine(double a, const Vector& u, double b, const Vector& v) {
    return {a * u[0] + b * v[0], a * u[1] + b * v[1], a * u[2] + b * v[2]};
}

struct Frame {
    Vector zenith, east, north;  // zenith, east and north points of the horizon
    Vector ecliptic_pole;
};

Frame frame(const HouseSky& sky) {
    return {{sky.cos_phi * sky.cos_ramc, sky.cos_phi * sky.sin_ramc, sky.sin_phi},
            {-sky.sin_ramc, sky.cos_ramc, 0.0},
            {-sky.sin_phi * sky.cos_ramc, -sky.sin_phi * sky.sin_ramc, sky.cos_phi},
            {0.0, -sky.sin_eps, sky.cos_eps}};
}

// Ecliptic longitude where the great circle through the axis point `axis` and
// the point `through` meets the ecliptic, on the half of the circle (between
// the axis point and its antipode) that holds `through`.
double crossing(const Frame& f, const Vector& axis, const Vector& through, const HouseSky& sky) {
    Vector x = cross(f.ecliptic_pole, cross(axis, through));
    const Vector side = combine(1.0, through, -dot(through, axis), axis);
    if (dot(x, side) < 0.0) x = combine(-1.0, x, 0.0, x);
    return std::atan2(x[1] * sky.cos_eps + x[2] * sky.sin_eps, x[0]);
}

// Regiomontanus (J. Müller, Tabulae directionum, 1467): the equator divided
// into twelve equal arcs from the meridian; the house circles pass through the
// north and south points of the horizon, so a division 30 k degrees east of
// the meridian lies under the pole height atan(tan phi sin 30 k). Each cusp
// lies on the half of its house circle that holds its division point: above
// the horizon for cusps 10 to 12, so cusp 10 is the ecliptic point on the
// meridian above the horizon, the midheaven's opposite point where the
// midheaven lies below it.
HouseCuspsRad regiomontanus(const HouseSky& sky) {
    const double tan_phi = sky.sin_phi / sky.cos_phi;
    const double turn = turn_above_horizon(sky);
    HouseCuspsRad c{};
    for (int k = 0; k < 12; ++k) {
        const double h = k * THIRTY_DEG_RAD;
        c[(k + 9) % 12] = ecliptic_longitude_under_pole(sky.ramc + h, tan_phi * std::sin(h), sky) + turn;
    }
    c[0] = sky.asc;
    c[6] = sky.asc + PI;
    c[9] = sky.mc + turn;
    c[3] = sky.mc + PI + turn;
    return c;
}

// Meridian, or axial rotation (D. Zariel): the equator divided into twelve
// equal arcs from the meridian; each cusp is the ecliptic point on the hour
// circle of a division, so cusp 1 is the equatorial ascendant.
// Morinus (J.-B. Morin, Astrologia Gallica, 1661): the same divisions carried
// to the ecliptic along circles of longitude (through the ecliptic poles).
HouseCuspsRad equator_division(HouseSystem system, const HouseSky& sky) {
    HouseCuspsRad c{};
    for (int k = 0; k < 12; ++k) {
        const double alpha = sky.ramc + k * THIRTY_DEG_RAD;
        c[(k + 9) % 12] = system == HouseSystem::Morinus
                              ? std::atan2(std::sin(alpha) * sky.cos_eps, std::cos(alpha))
                              : ecliptic_longitude_at_right_ascension(alpha, sky);
    }
    return c;
}

// Horizontal (azimuthal): the horizon divided into twelve equal arcs from a
// point of the meridian (south in the northern hemisphere, north on the
// equator and south of it) through the east; the house circles are vertical
// circles through the zenith. The whole frame turns half a circle when the
// midheaven lies on the other side of the zenith, so that cusp 10 is always
// the midheaven.
HouseCuspsRad horizontal(const HouseSky& sky) {
    const Frame f = frame(sky);
    const Vector start = combine(sky.phi > 0.0 ? -1.0 : 1.0, f.north, 0.0, f.north);
    HouseCuspsRad c{};
    for (int k = 0; k < 12; ++k) {
        const double a = k * THIRTY_DEG_RAD;
        c[(k + 9) % 12] = crossing(f, f.zenith, combine(std::cos(a), start, std::sin(a), f.east), sky);
    }
    if (std::cos(c[9] - sky.mc) < 0.0) {
        for (double& cusp : c) cusp += PI;
    }
    return c;
}

// Krusinski-Pisa (B. Krusinski, 1994): the great circle through the ascendant
// and the zenith divided into twelve equal arcs from the ascendant; each cusp
// is the ecliptic point on the hour circle of a division.
HouseCuspsRad krusinski_pisa(const HouseSky& sky) {
    const Frame f = frame(sky);
    const Vector asc{std::cos(sky.asc), std::sin(sky.asc) * sky.cos_eps, std::sin(sky.asc) * sky.sin_eps};
    const Vector pole{0.0, 0.0, 1.0};
    // The ascendant lies on the horizon, a quarter circle from the zenith.
    HouseCuspsRad c{};
    for (int k = 0; k < 12; ++k) {
        const double a = k * THIRTY_DEG_RAD;
        c[(12 - k) % 12] = crossing(f, pole, combine(std::cos(a), asc, std::sin(a), f.zenith), sky);
    }
    return c;
}

// APC, ascendant parallel circle (L. Knegt): the ascendant's parallel of
// declination divided by the horizon and the meridian into four arcs, each
// trisected; the house circles pass through those points and the north and
// south points of the horizon.
HouseCuspsRad apc(const HouseSky& sky) {
    const Frame f = frame(sky);
    const double sin_delta = std::sin(sky.asc) * sky.sin_eps;
    const double cos_delta = std::sqrt(1.0 - sin_delta * sin_delta);
    const double x = std::clamp(sky.sin_phi * sin_delta / (sky.cos_phi * cos_delta), -1.0, 1.0);
    const double day = HALF_PI + std::asin(x);  // diurnal semi-arc of the ascendant
    const double night = PI - day;
    auto cusp = [&](double hour_angle) {
        const double alpha = sky.ramc - hour_angle;
        return crossing(f, f.north, Vector{cos_delta * std::cos(alpha), cos_delta * std::sin(alpha), sin_delta}, sky);
    };
    HouseCuspsRad c{};
    for (int k = 0; k < 3; ++k) {
        c[(k + 9) % 12] = cusp(-k * day / 3.0);          // 10, 11, 12
        c[k] = cusp(-day - k * night / 3.0);             // 1, 2, 3
        c[(k + 3) % 12] = cusp(PI - k * night / 3.0);  // 4, 5, 6
        c[(k + 6) % 12] = cusp(day - k * day / 3.0);    // 7, 8, 9
    }
    return c;
}

}  // namespace

HouseCuspsRad great_circle_cusps(HouseSystem system, const HouseSky& sky) {
    switch (system) {
        case HouseSystem::Regiomontanus: return regiomontanus(sky);
        case HouseSystem::Horizontal: return horizontal(sky);
        case HouseSystem::KrusinskiPisa: return krusinski_pisa(sky);
        case HouseSystem::Apc: return apc(sky);
        default: return equator_division(system, sky);
    }
}

}  // namespace orvane
