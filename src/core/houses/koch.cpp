// The Koch house system.
#include <cmath>
#include <numbers>

#include "core/houses/house_systems.hpp"

namespace orvane {

// Koch (W. Koch, "birthplace" houses, 1971): the semi-arc of the midheaven's
// degree, from its rising to its culmination, trisected in time; the cusps
// 11, 12 (and 2, 3 beyond) are the ascendants at the birthplace at those
// sidereal times. Undefined where the midheaven's degree is circumpolar.
std::optional<HouseCuspsRad> koch_cusps(const HouseSky& sky) {
    constexpr double PI = std::numbers::pi;
    constexpr double HALF_PI = PI / 2.0;
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

}  // namespace orvane
