#pragma once
#include <array>
#include <expected>

#include "core/errors.hpp"
#include "core/observer/geodetic_observer.hpp"
#include "core/selectors.hpp"

namespace orvane {

// Twelve house cusps with the angles they were derived from; ecliptic
// longitudes of date in degrees.
struct HouseCusps {
    std::array<double, 12> cusp_ecliptic_longitude_deg{};  // cusps 1 to 12, each in [0, 360)
    double ascendant_deg = 0.0;                            // rising on the eastern horizon, [0, 360)
    double midheaven_deg = 0.0;                            // culminating (hour angle 0), [0, 360)
    double ramc_deg = 0.0;                                 // local apparent sidereal time, [0, 360)
    double local_sidereal_time_deg = 0.0;                  // equal to ramc_deg
    double true_obliquity_deg = 0.0;                       // not reduced
    HouseSystem system = HouseSystem::Placidus;
};

// House cusps for an observer (height validated but unused) at the moment given
// by its UT1 and TT Julian days; no polar motion, no kernel. Fails with
// NonFiniteState, InvalidLatitude, or UndefinedHouseCusps when Placidus has no
// solution at the observer's latitude.
std::expected<HouseCusps, CoordinateError> house_cusps(const GeodeticObserver& observer, double ut1_julian_day,
                                                       double tt_julian_day, HouseSystem system);

}  // namespace orvane
