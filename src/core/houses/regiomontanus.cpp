// The Regiomontanus house system.
#include <cmath>
#include <numbers>

#include "core/houses/house_systems.hpp"

namespace orvane {

// Regiomontanus (J. Müller, Tabulae directionum, 1467): the equator divided
// into twelve equal arcs from the meridian; the house circles pass through the
// north and south points of the horizon, so a division 30 k degrees east of
// the meridian lies under the pole height atan(tan phi sin 30 k). Each cusp
// lies on the half of its house circle that holds its division point: above
// the horizon for cusps 10 to 12, so cusp 10 is the ecliptic point on the
// meridian above the horizon, the midheaven's opposite point where the
// midheaven lies below it.
std::optional<HouseCuspsRad> regiomontanus_cusps(const HouseSky& sky) {
    constexpr double PI = std::numbers::pi;
    const double tan_phi = sky.sin_phi / sky.cos_phi;
    const double turn = turn_above_horizon(sky);
    HouseCuspsRad c{};
    for (int k = 0; k < 12; ++k) {
        const double h = k * PI / 6.0;
        c[(k + 9) % 12] = ecliptic_longitude_under_pole(sky.ramc + h, tan_phi * std::sin(h), sky) + turn;
    }
    c[0] = sky.asc;
    c[6] = sky.asc + PI;
    c[9] = sky.mc + turn;
    c[3] = sky.mc + PI + turn;
    return c;
}

}  // namespace orvane
