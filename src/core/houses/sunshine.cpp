// The Sunshine house system.
#include <cmath>
#include "core/houses/great_circles.hpp"

#include "core/houses/house_systems.hpp"

namespace orvane {

// Sunshine (B. Makransky, 2000): the Sun's diurnal and nocturnal semi-arcs
// each trisected in hour angle; the house circles pass through those points of the Sun's
// parallel of declination and the north and south points of the horizon, so
// cusps 1, 4, 7 and 10 are the angles. Undefined without the Sun's
// declination, and where the Sun neither rises nor sets.
std::optional<HouseCuspsRad> sunshine_cusps(const HouseSky& sky) {
    if (!sky.sun_declination) return std::nullopt;
    const double sin_delta = std::sin(*sky.sun_declination);
    if (circumpolar(sin_delta, sky)) return std::nullopt;
    return trisected_parallel(sky, sin_delta);
}

}  // namespace orvane
