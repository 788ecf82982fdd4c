// Sidereal longitudes: a tropical position of date less the ayanamsha; the
// ayanamsha of an instant.
#include "core/angles.hpp"
#include "core/sidereal/sidereal.hpp"
#include "engine/engine.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/star_ayanamsha.hpp"

namespace orvane {

std::expected<Position, OrvaneError> SpkOrvane::sidereal_position(Body body, Instant instant,
                                                                  const PositionOptions& options,
                                                                  SiderealMode mode) const {
    return sidereal_position(naif_code(body), instant, options, mode);
}

std::expected<Position, OrvaneError> SpkOrvane::sidereal_position(std::int32_t body, Instant instant,
                                                                  const PositionOptions& options,
                                                                  SiderealMode mode) const {
    if (options.coordinate_system != CoordinateSystem::Ecliptic || options.reference_epoch != ReferenceEpoch::OfDate) {
        return std::unexpected(OrvaneError::invalid_request("sidereal longitudes require ecliptic of date"));
    }
    auto tropical = position(body, instant, options);
    if (!tropical) return std::unexpected(tropical.error());
    auto offset = ayanamsha(mode, instant);
    if (!offset) return std::unexpected(offset.error());
    Position sidereal = *tropical;
    sidereal.longitude_deg = reduce_degrees(tropical->longitude_deg - offset->ayanamsha_deg);
    sidereal.longitude_speed_deg_per_day = tropical->longitude_speed_deg_per_day - offset->rate_deg_per_day;
    return sidereal;
}

std::expected<Ayanamsha, OrvaneError> SpkOrvane::ayanamsha(SiderealMode mode, Instant instant) const {
    auto tt = instant_as_tt(*this, instant.time_scale, instant.julian_day);
    if (!tt) return std::unexpected(tt.error());
    if (auto anchor = star_anchor(mode)) return star_ayanamsha(*this, mode, *anchor, *tt);
    auto value = ayanamsha_deg(mode, *tt);
    if (!value) return std::unexpected(OrvaneError::invalid_request(value.error()));
    auto rate = ayanamsha_rate_deg_per_day(*tt);
    if (!rate) return std::unexpected(OrvaneError::invalid_request(rate.error()));
    return Ayanamsha{mode, *value, *rate};
}

}  // namespace orvane
