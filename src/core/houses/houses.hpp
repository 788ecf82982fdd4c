#pragma once
#include <array>
#include <expected>
#include <optional>

#include "core/astrometry_model.hpp"
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
// by its UT1 and TT Julian days; no polar motion, no kernel. The systems built
// on the Sun's diurnal circle take the Sun's apparent declination of date
// (degrees) from the caller; the others ignore it. Fails with NonFiniteState,
// InvalidLatitude, SunDeclinationNeeded, InvalidSunDeclination, or
// UndefinedHouseCusps when the system has no solution at the observer's latitude.
// The full model takes the sidereal time and the true obliquity from the
// IAU 2006/2000A nutation instead of the 2000B.
std::expected<HouseCusps, CoordinateError> house_cusps(const GeodeticObserver& observer, double ut1_julian_day,
                                                       double tt_julian_day, HouseSystem system,
                                                       std::optional<double> sun_declination_deg = std::nullopt,
                                                       AstrometryModel model = AstrometryModel::Standard);

}  // namespace orvane
