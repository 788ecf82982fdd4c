// The horizontal (azimuthal) house system.
#include <cmath>
#include <numbers>
#include "core/houses/great_circles.hpp"

#include "core/houses/house_systems.hpp"

namespace orvane {

// Horizontal (azimuthal): the horizon divided into twelve equal arcs from a
// point of the meridian (south in the northern hemisphere, north on the
// equator and south of it) through the east; the house circles are vertical
// circles through the zenith. The whole frame turns half a circle when the
// midheaven lies on the other side of the zenith, so that cusp 10 is always
// the midheaven.
std::optional<HouseCuspsRad> horizontal_cusps(const HouseSky& sky) {
    constexpr double PI = std::numbers::pi;
    const HorizonFrame f = horizon_frame(sky);
    const Vector3 start = combine(sky.phi > 0.0 ? -1.0 : 1.0, f.north, 0.0, f.north);
    HouseCuspsRad c{};
    for (int k = 0; k < 12; ++k) {
        const double a = k * PI / 6.0;
        c[(k + 9) % 12] = crossing(f, f.zenith, combine(std::cos(a), start, std::sin(a), f.east), sky);
    }
    if (std::cos(c[9] - sky.mc) < 0.0) {
        for (double& cusp : c) cusp += PI;
    }
    return c;
}

}  // namespace orvane
