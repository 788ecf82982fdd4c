// The Meridian (axial rotation) house system.
#include <numbers>

#include "core/houses/house_systems.hpp"

namespace orvane {

// Meridian, or axial rotation (D. Zariel): the equator divided into twelve
// equal arcs from the meridian; each cusp is the ecliptic point on the hour
// circle of a division, so cusp 1 is the equatorial ascendant.
std::optional<HouseCuspsRad> meridian_cusps(const HouseSky& sky) {
    HouseCuspsRad c{};
    for (int k = 0; k < 12; ++k) {
        c[(k + 9) % 12] = ecliptic_longitude_at_right_ascension(sky.ramc + k * std::numbers::pi / 6.0, sky);
    }
    return c;
}

}  // namespace orvane
