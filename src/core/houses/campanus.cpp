// The Campanus house system.
#include <cmath>
#include <numbers>

#include "core/houses/house_systems.hpp"

namespace orvane {

// Campanus (Campanus of Novara, 13th century): the prime vertical divided
// into twelve equal arcs from the east point; the house circles pass through
// the north and south points of the horizon. Each cusp lies on the half of
// its house circle that holds its point of the prime vertical: the expression
// below takes the other half wherever it takes the setting point for the
// ascendant, the circles turning about the same north-south axis.
std::optional<HouseCuspsRad> campanus_cusps(const HouseSky& sky) {
    HouseCuspsRad c{};
    c[0] = sky.asc;
    for (int k = 1; k < 12; ++k) {
        const double a = k * std::numbers::pi / 6.0;
        const double sin_a = std::sin(a), cos_a = std::cos(a);
        c[k] = std::atan2(cos_a * sky.cos_ramc * sky.cos_phi - sin_a * sky.sin_ramc,
                          -(sin_a * sky.cos_eps * sky.cos_ramc + cos_a * sky.cos_phi * sky.sin_ramc * sky.cos_eps +
                            cos_a * sky.sin_phi * sky.sin_eps));
        if (sky.midheaven_below) c[k] += std::numbers::pi;
    }
    return c;
}

}  // namespace orvane
