#include "engine/star_ayanamsha.hpp"

#include <cmath>

#include "core/angles.hpp"
#include "core/constants.hpp"
#include "core/frames/of_date_rotation.hpp"
#include "engine/corrections.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/relative_state.hpp"

namespace orvane {

namespace {

constexpr std::int32_t EARTH_CODE = 399;
constexpr double RATE_HALF_STEP_DAYS = 0.01;

// The star's longitude less the anchor's, in degrees.
std::expected<double, OrvaneError> offset_deg(const SpkOrvane& engine, const StarAnchor& anchor,
                                              double tt_julian_day) {
    auto epoch = tdb_seconds(engine, TimeScale::Tt, tt_julian_day);
    if (!epoch) return std::unexpected(epoch.error());
    auto earth = origin_barycentric_state(engine.kernels, EARTH_CODE, *epoch, std::nullopt);
    if (!earth) return std::unexpected(spk_orvane_error(earth.error()));
    auto sun = origin_barycentric_state(engine.kernels, SUN_CODE, *epoch, std::nullopt);
    if (!sun) return std::unexpected(spk_orvane_error(sun.error()));
    CartesianState seen = subtract_states(catalogue_star_state(anchor.star, tt_julian_day), *earth);
    seen = apply_solar_gravitational_deflection(seen, earth->position, sun->position);
    seen = apply_stellar_aberration(seen, earth->velocity);
    auto ecliptic = OfDateRotation(false, false, tt_julian_day).apply(seen);
    if (!ecliptic) return std::unexpected(OrvaneError::backend(ecliptic.error()));
    const double longitude_deg = std::atan2(ecliptic->position[1], ecliptic->position[0]) * RAD_TO_DEG;
    return reduce_degrees(longitude_deg - anchor.sidereal_longitude_deg);
}

}  // namespace

std::expected<Ayanamsha, OrvaneError> star_ayanamsha(const SpkOrvane& engine, SiderealMode mode,
                                                     const StarAnchor& anchor, double tt_julian_day) {
    auto value = offset_deg(engine, anchor, tt_julian_day);
    if (!value) return std::unexpected(value.error());
    auto before = offset_deg(engine, anchor, tt_julian_day - RATE_HALF_STEP_DAYS);
    if (!before) return std::unexpected(before.error());
    auto after = offset_deg(engine, anchor, tt_julian_day + RATE_HALF_STEP_DAYS);
    if (!after) return std::unexpected(after.error());
    const double change = reduce_degrees(*after - *before + 180.0) - 180.0;
    return Ayanamsha{mode, *value, change / (2.0 * RATE_HALF_STEP_DAYS)};
}

}  // namespace orvane
