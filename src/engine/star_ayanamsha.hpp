#pragma once
#include <expected>

#include "core/errors.hpp"
#include "core/sidereal/sidereal.hpp"
#include "core/sidereal/star_ayanamsha.hpp"
#include "engine/engine.hpp"

namespace orvane {

// The ayanamsha of a star-anchored mode at a TT Julian day: the star's
// geocentric ecliptic longitude on the mean ecliptic and equinox of date (with
// the Sun's light deflection and the annual aberration of the Earth's
// barycentric motion, no nutation) less the longitude the mode gives it. Its
// rate is the central difference over 0.02 day (the deflection changes fast
// near the Sun).
std::expected<Ayanamsha, OrvaneError> star_ayanamsha(const SpkOrvane& engine, SiderealMode mode,
                                                     const StarAnchor& anchor, double tt_julian_day);

}  // namespace orvane
