// House systems built on diurnal semi-arcs and pole heights.
#include <algorithm>
#include <cmath>
#include <optional>
#include <numbers>

#include "core/houses/house_division.hpp"

namespace orvane {

namespace {

constexpr double PI = std::numbers::pi;
constexpr double HALF_PI = PI / 2.0;

// Fills the cusps opposite 11, 12, 2, 3 and the angles.
HouseCuspsRad with_angles(const HouseSky& sky, double c11, double c12, double c2, double c3) {
    return {sky.asc, c2, c3, sky.mc + PI, c11 + PI, c12 + PI, sky.asc + PI, c2 + PI, c3 + PI, sky.mc, c11, c12};
}

// Ascensional difference of a declination (sin of the declination given): the
// excess of its diurnal semi-arc over 90 degrees; its sine is clamped to
// [-1, 1], which only rounding leaves for a point on the horizon.
double ascensional_difference(double sin_delta, const HouseSky& sky) {
    const double cos_delta = std::sqrt(1.0 - sin_delta * sin_delta);
    return std::asin(std::clamp(sky.sin_phi * sin_delta / (sky.cos_phi * cos_delta), -1.0, 1.0));
}

// True when the declination (its sine given) never rises or never sets.
bool circumpolar(double sin_delta, const HouseSky& sky) {
    const double cos_delta = std::sqrt(1.0 - sin_delta * sin_delta);
    return !(std::abs(sky.sin_phi * sin_delta) <= std::abs(sky.cos_phi * cos_delta));
}

// Koch (W. Koch, "birthplace" houses, 1971): the semi-arc of the midheaven's
// degree, from its rising to its culmination, trisected in time; the cusps
// 11, 12 (and 2, 3 beyond) are the ascendants at the birthplace at those
// sidereal times. Undefined where the midheaven's degree is circumpolar.
std::optional<HouseCuspsRad> koch(const HouseSky& sky) {
    const double sin_delta = std::sin(sky.mc) * sky.sin_eps;
    if (circumpolar(sin_delta, sky)) return std::nullopt;
    const double step = (HALF_PI + ascensional_difference(sin_delta, sky)) / 3.0;
    const double tan_phi = sky.sin_phi / sky.cos_phi;
    // The ascendant when the meridian has right ascension t lies under the
    // birthplace's pole at the equator point t + 90 degrees; inside the polar
    // circles it is the other crossing of the ecliptic and the horizon when
    // the midheaven of that moment lies below the horizon.
    auto ascendant_at = [&](double t) {
        const double formula = ecliptic_longitude_under_pole(t + HALF_PI, tan_phi, sky);
        const bool below = midheaven_below_horizon(std::sin(t), sky.sin_eps, sky.cos_eps, sky.sin_phi, sky.cos_phi);
        return below ? formula + PI : formula;
    };
    return with_angles(sky, ascendant_at(sky.ramc - 2.0 * step), ascendant_at(sky.ramc - step),
                       ascendant_at(sky.ramc + step), ascendant_at(sky.ramc + 2.0 * step));
}

// Alcabitius (al-Qabisi, Introduction to Astrology, 10th century): the
// ascendant's diurnal and nocturnal semi-arcs trisected in right ascension;
// each cusp is the ecliptic point on the hour circle of a division.
// The ascendant lies on the horizon, so it always has a semi-arc.
HouseCuspsRad alcabitius(const HouseSky& sky) {
    const double day = HALF_PI + ascensional_difference(std::sin(sky.asc) * sky.sin_eps, sky);
    const double night = PI - day;
    auto at = [&](double alpha) { return ecliptic_longitude_at_right_ascension(alpha, sky); };
    return with_angles(sky, at(sky.ramc + day / 3.0), at(sky.ramc + 2.0 * day / 3.0),
                       at(sky.ramc + day + night / 3.0), at(sky.ramc + day + 2.0 * night / 3.0));
}

// Topocentric (V. Polich and A. N. Page, 1961): the equator divided from the
// meridian in steps of 30 degrees, with the tangent of the pole height growing
// in thirds of the birthplace's from the meridian (0) to the horizon (tan phi).
// As in Regiomontanus, cusps 10 to 12 lie above the horizon: where the
// midheaven lies below it, cusp 10 is its opposite point and the others turn
// with it.
HouseCuspsRad topocentric(const HouseSky& sky) {
    const double tan_phi = sky.sin_phi / sky.cos_phi;
    const double turn = turn_above_horizon(sky);
    auto cusp = [&](double offset_deg, double share) {
        return ecliptic_longitude_under_pole(sky.ramc + offset_deg * PI / 180.0, tan_phi * share, sky) + turn;
    };
    HouseCuspsRad c = with_angles(sky, cusp(30.0, 1.0 / 3.0), cusp(60.0, 2.0 / 3.0), cusp(120.0, 2.0 / 3.0),
                                  cusp(150.0, 1.0 / 3.0));
    c[9] += turn;
    c[3] += turn;
    return c;
}

}  // namespace

std::optional<HouseCuspsRad> semi_arc_cusps(HouseSystem system, const HouseSky& sky) {
    switch (system) {
        case HouseSystem::Koch: return koch(sky);
        case HouseSystem::Alcabitius: return alcabitius(sky);
        default: return topocentric(sky);
    }
}

}  // namespace orvane
