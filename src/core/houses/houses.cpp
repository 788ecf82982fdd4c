#include "core/houses/houses.hpp"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>

#include "core/angles.hpp"
#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "core/frames/cio_sidereal_time.hpp"
#include "core/houses/house_systems.hpp"
#include "core/lane_arc_tangent.hpp"
#include "core/lane_sine_cosine.hpp"
#include "core/frames/nutation.hpp"
#include "core/frames/precession.hpp"

namespace orvane {

namespace {

constexpr double PI = std::numbers::pi;

// Four values operated on together, and their comparisons' masks.
using Lanes = double __attribute__((vector_size(4 * sizeof(double))));
using LaneMask = std::int64_t __attribute__((vector_size(4 * sizeof(double))));

// Two values operated on together: the midheaven's and the ascendant's.
using Pair = double __attribute__((vector_size(2 * sizeof(double))));

// The midheaven, the longitude of the ecliptic point on the meridian, and the
// ascendant: of the two points where the ecliptic cuts the horizon, the one on
// its eastern half. The textbook formula gives the setting point where the
// midheaven lies below the horizon (house_division.hpp), inside the polar
// circles; the rising point is then half a circle away. Where the ecliptic
// cuts the horizon at its north and south points the ascendant jumps by half
// a circle. Both arc tangents in one pass of lane_arc_tangent.
void midheaven_and_ascendant(const HouseSky& sky, bool midheaven_below, double& mc, double& asc) {
    Pair angles;
    lane_arc_tangent(Pair{sky.sin_ramc, sky.cos_ramc * sky.cos_phi},
                     Pair{sky.cos_ramc * sky.cos_eps,
                          -(sky.sin_phi * sky.sin_eps + sky.cos_phi * sky.sin_ramc * sky.cos_eps)},
                     angles);
    mc = angles[0];
    asc = midheaven_below ? angles[1] + PI : angles[1];
}

}  // namespace

std::expected<HouseCusps, CoordinateError> house_cusps(const GeodeticObserver& observer, double ut1_julian_day,
                                                       double tt_julian_day, HouseSystem system,
                                                       std::optional<double> sun_declination_deg,
                                                       AstrometryModel model) {
    if (auto valid = observer.validate(); !valid) return std::unexpected(valid.error());
    if (!std::isfinite(ut1_julian_day) || !std::isfinite(tt_julian_day)) {
        return std::unexpected(CoordinateError::NonFiniteState);
    }

    const Nutation nutation =
        model == AstrometryModel::Full ? nutation_iau2006a(tt_julian_day) : nutation_iau2000b_angles(tt_julian_day);
    const double ramc =
        model == AstrometryModel::Full
            ? reduce_radians(greenwich_apparent_sidereal_time_iau2006a(ut1_julian_day, tt_julian_day, nutation) +
                             observer.longitude_east_deg * DEG_TO_RAD)
            : local_apparent_sidereal_time_iau2006(observer.longitude_east_deg * DEG_TO_RAD, ut1_julian_day,
                                                   tt_julian_day, nutation);
    const double eps =
        mean_obliquity_iau2006_rad(julian_centuries_since_j2000(tt_julian_day)) + nutation.obliquity_rad;
    const double phi = observer.latitude_deg * DEG_TO_RAD;
    // The three angles' sines and cosines in one pass of vector lanes.
    Lanes angles{ramc, eps, phi, 0.0}, sines, cosines;
    lane_sine_cosine<Lanes, LaneMask>(angles, sines, cosines);
    HouseSky sky{ramc, sines[0], cosines[0], sines[1], cosines[1], phi, sines[2], cosines[2], 0.0, 0.0};

    const bool below = midheaven_below_horizon(sky.sin_ramc, sky.sin_eps, sky.cos_eps, sky.sin_phi, sky.cos_phi);
    double mc = 0.0, asc = 0.0;
    midheaven_and_ascendant(sky, below, mc, asc);

    sky.asc = asc;
    sky.mc = mc;
    sky.midheaven_below = below;
    const HouseSystemRow& row = house_system_row(system);
    if (row.needs_sun_declination) {
        if (!sun_declination_deg) return std::unexpected(CoordinateError::SunDeclinationNeeded);
        if (!(std::abs(*sun_declination_deg) <= 90.0)) return std::unexpected(CoordinateError::InvalidSunDeclination);
        sky.sun_declination = *sun_declination_deg * DEG_TO_RAD;
    }
    const std::optional<HouseCuspsRad> cusps = row.cusps(sky);
    if (!cusps) return std::unexpected(CoordinateError::UndefinedHouseCusps);

    HouseCusps out;
    for (int k = 0; k < 12; ++k) out.cusp_ecliptic_longitude_deg[k] = reduce_degrees((*cusps)[k] * RAD_TO_DEG);
    out.ascendant_deg = reduce_degrees(asc * RAD_TO_DEG);
    out.midheaven_deg = reduce_degrees(mc * RAD_TO_DEG);
    out.ramc_deg = reduce_degrees(ramc * RAD_TO_DEG);
    out.local_sidereal_time_deg = out.ramc_deg;
    out.true_obliquity_deg = eps * RAD_TO_DEG;
    out.system = system;
    return out;
}

}  // namespace orvane
