// House systems that divide the ecliptic itself.
#include <numbers>

#include "core/angles.hpp"
#include "core/houses/house_division.hpp"

namespace orvane {

namespace {

constexpr double PI = std::numbers::pi;
constexpr double THIRTY_DEG_RAD = PI / 6.0;

// Porphyry: each quadrant of the ecliptic between the angles (MC to ASC, ASC
// to IC) trisected; the opposite cusps are 180 degrees away (Porphyry,
// Introduction to the Tetrabiblos, ch. 52).
HouseCuspsRad porphyry(const HouseSky& sky) {
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

}  // namespace

HouseCuspsRad ecliptic_division_cusps(HouseSystem system, const HouseSky& sky) {
    HouseCuspsRad c{};
    switch (system) {
        case HouseSystem::VehlowEqual:
            // Vehlow: equal houses with the ascendant in the middle of the
            // first house (J. Vehlow, Lehrkursus der wissenschaftlichen
            // Geburtsastrologie, 1934).
            for (int k = 0; k < 12; ++k) c[k] = sky.asc - THIRTY_DEG_RAD / 2.0 + k * THIRTY_DEG_RAD;
            break;
        case HouseSystem::Sripati: {
            // Sripati (Sripati Paddhati): the Porphyry cusps are the middles of
            // the houses (bhava madhya); each house begins halfway between the
            // middle of the house before and its own middle.
            const HouseCuspsRad middle = porphyry(sky);
            for (int k = 0; k < 12; ++k) {
                const double previous = middle[(k + 11) % 12];
                c[k] = previous + reduce_radians(middle[k] - previous) / 2.0;
            }
            break;
        }
        default: c = porphyry(sky); break;
    }
    return c;
}

}  // namespace orvane
