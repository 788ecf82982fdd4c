// The Morinus house system.
#include <cmath>
#include <numbers>

#include "core/houses/house_systems.hpp"

namespace orvane {

// Morinus (J.-B. Morin, Astrologia Gallica, 1661): the equator divided into
// twelve equal arcs from the meridian, carried to the ecliptic along circles
// of longitude (through the ecliptic poles).
std::optional<HouseCuspsRad> morinus_cusps(const HouseSky& sky) {
    HouseCuspsRad c{};
    for (int k = 0; k < 12; ++k) {
        const double alpha = sky.ramc + k * std::numbers::pi / 6.0;
        c[(k + 9) % 12] = std::atan2(std::sin(alpha) * sky.cos_eps, std::cos(alpha));
    }
    return c;
}

}  // namespace orvane
