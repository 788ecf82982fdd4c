// The APC (ascendant parallel circle) house system.
#include <cmath>
#include "core/houses/great_circles.hpp"

#include "core/houses/house_systems.hpp"

namespace orvane {

// APC, ascendant parallel circle (L. Knegt): the ascendant's parallel of
// declination divided by the horizon and the meridian into four arcs, each
// trisected; the house circles pass through those points and the north and
// south points of the horizon.
std::optional<HouseCuspsRad> apc_cusps(const HouseSky& sky) {
    return trisected_parallel(sky, std::sin(sky.asc) * sky.sin_eps);
}

}  // namespace orvane
