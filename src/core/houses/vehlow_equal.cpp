// The Vehlow equal house system.
#include <numbers>

#include "core/houses/house_systems.hpp"

namespace orvane {

// Vehlow: equal houses with the ascendant in the middle of the first house
// (J. Vehlow, Lehrkursus der wissenschaftlichen Geburtsastrologie, 1934).
std::optional<HouseCuspsRad> vehlow_equal_cusps(const HouseSky& sky) {
    constexpr double THIRTY_DEG_RAD = std::numbers::pi / 6.0;
    HouseCuspsRad c{};
    for (int k = 0; k < 12; ++k) c[k] = sky.asc - THIRTY_DEG_RAD / 2.0 + k * THIRTY_DEG_RAD;
    return c;
}

}  // namespace orvane
