// The equal house system.
#include <numbers>
#include "core/angles.hpp"

#include "core/houses/house_systems.hpp"

namespace orvane {

// Equal houses from the ascendant: thirty degrees of ecliptic each.
std::optional<HouseCuspsRad> equal_cusps(const HouseSky& sky) {
    HouseCuspsRad c{};
    for (int k = 0; k < 12; ++k) c[k] = reduce_radians(sky.asc + k * std::numbers::pi / 6.0);
    return c;
}

}  // namespace orvane
