// The Krusinski-Pisa house system.
#include <cmath>
#include <numbers>
#include "core/houses/great_circles.hpp"

#include "core/houses/house_systems.hpp"

namespace orvane {

// Krusinski-Pisa (B. Krusinski, 1994): the great circle through the ascendant
// and the zenith divided into twelve equal arcs from the ascendant; each cusp
// is the ecliptic point on the hour circle of a division.
std::optional<HouseCuspsRad> krusinski_pisa_cusps(const HouseSky& sky) {
    const HorizonFrame f = horizon_frame(sky);
    const Vector3 asc{std::cos(sky.asc), std::sin(sky.asc) * sky.cos_eps, std::sin(sky.asc) * sky.sin_eps};
    const Vector3 pole{0.0, 0.0, 1.0};
    // The ascendant lies on the horizon, a quarter circle from the zenith.
    HouseCuspsRad c{};
    for (int k = 0; k < 12; ++k) {
        const double a = k * std::numbers::pi / 6.0;
        c[(12 - k) % 12] = crossing(f, pole, combine(std::cos(a), asc, std::sin(a), f.zenith), sky);
    }
    return c;
}

}  // namespace orvane
