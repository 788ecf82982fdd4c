#pragma once
#include <expected>

#include "core/errors.hpp"

namespace orvane {

// A place on the Earth: east longitude and geodetic latitude in degrees, height
// in metres above the GRS80 ellipsoid.
struct GeodeticObserver {
    double longitude_east_deg = 0.0;
    double latitude_deg = 0.0;
    double height_m = 0.0;

    // Every value finite, latitude within [-90, 90].
    std::expected<GeodeticObserver, CoordinateError> validate() const;
};

}  // namespace orvane
