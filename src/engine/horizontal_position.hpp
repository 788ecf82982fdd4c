#pragma once
#include <expected>

#include "core/body.hpp"
#include "core/errors.hpp"
#include "core/observer/geodetic_observer.hpp"
#include "core/time_scale.hpp"
#include "engine/engine.hpp"

// Where a body stands in a place's sky: altitude above the horizon and azimuth.
namespace orvane {

struct HorizontalPosition {
    double altitude_deg = 0.0;
    double azimuth_deg = 0.0;  // from north through east, in [0, 360)
    double distance_au = 0.0;  // apparent topocentric distance
};

// The apparent topocentric place on the true equator and equinox of date
// turned into the place's horizon with the Greenwich apparent sidereal time
// and the polar motion of the Earth-orientation table; with `refraction` the
// altitude is raised by the standard refraction (standard_refraction_deg).
// Fails as the position request of that place does (both time kernels are
// needed).
std::expected<HorizontalPosition, OrvaneError> horizontal_position(const SpkOrvane& engine, Body body,
                                                                   const GeodeticObserver& observer, Instant instant,
                                                                   bool refraction);

}  // namespace orvane
