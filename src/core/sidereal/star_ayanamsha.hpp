#pragma once
#include <optional>

#include "core/cartesian_state.hpp"
#include "core/stars/catalogue_star.hpp"
#include "core/selectors.hpp"

namespace orvane {

// A sidereal zodiac anchored on a star: the star stands at the given sidereal
// longitude, so the ayanamsha is the star's longitude less that one.
struct StarAnchor {
    CatalogueStar star;
    double sidereal_longitude_deg;
};

// The anchor of a star-based mode; nothing for a mode fixed by an epoch and a
// value.
std::optional<StarAnchor> star_anchor(SiderealMode mode);


}  // namespace orvane
