// The Sripati house system.
#include "core/angles.hpp"

#include "core/houses/house_systems.hpp"

namespace orvane {

// Sripati (Sripati Paddhati): the Porphyry cusps are the middles of the
// houses (bhava madhya); each house begins halfway between the middle of the
// house before and its own middle.
std::optional<HouseCuspsRad> sripati_cusps(const HouseSky& sky) {
    const HouseCuspsRad middle = *porphyry_cusps(sky);
    HouseCuspsRad c{};
    for (int k = 0; k < 12; ++k) {
        const double previous = middle[(k + 11) % 12];
        c[k] = previous + reduce_radians(middle[k] - previous) / 2.0;
    }
    return c;
}

}  // namespace orvane
