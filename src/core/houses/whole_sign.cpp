// The whole-sign house system.
#include <cmath>
#include "core/angles.hpp"
#include "core/constants.hpp"

#include "core/houses/house_systems.hpp"

namespace orvane {

// Whole signs: the sign holding the ascendant is the first house, each later
// sign the next.
std::optional<HouseCuspsRad> whole_sign_cusps(const HouseSky& sky) {
    const double sign_start = std::floor(reduce_degrees(sky.asc * RAD_TO_DEG) / 30.0) * 30.0;
    HouseCuspsRad c{};
    for (int k = 0; k < 12; ++k) c[k] = reduce_degrees(sign_start + 30.0 * k) * DEG_TO_RAD;
    return c;
}

}  // namespace orvane
