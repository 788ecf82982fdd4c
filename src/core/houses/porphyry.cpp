// The Porphyry house system.
#include <numbers>
#include "core/angles.hpp"

#include "core/houses/house_systems.hpp"

namespace orvane {

// Porphyry: each quadrant of the ecliptic between the angles (MC to ASC, ASC
// to IC) trisected; the opposite cusps are 180 degrees away (Porphyry,
// Introduction to the Tetrabiblos, ch. 52).
std::optional<HouseCuspsRad> porphyry_cusps(const HouseSky& sky) {
    constexpr double PI = std::numbers::pi;
    const double upper = reduce_radians(sky.asc - sky.mc);  // MC to ASC
    const double lower = PI - upper;                        // ASC to IC
    HouseCuspsRad c{};
    c[9] = sky.mc;
    c[10] = sky.mc + upper / 3.0;
    c[11] = sky.mc + 2.0 * upper / 3.0;
    c[0] = sky.asc;
    c[1] = sky.asc + lower / 3.0;
    c[2] = sky.asc + 2.0 * lower / 3.0;
    for (int k = 3; k < 9; ++k) c[k] = c[(k + 6) % 12] + PI;
    return c;
}

}  // namespace orvane
