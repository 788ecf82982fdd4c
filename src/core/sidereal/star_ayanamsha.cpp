#include "core/sidereal/star_ayanamsha.hpp"

#include <cmath>
#include <cstdint>
#include <numbers>

#include "core/constants.hpp"
#include "core/sidereal/sidereal_modes.hpp"
#include "core/stars/hipparcos_catalogue.hpp"

namespace orvane {

namespace {

// The anchor stars' rows of hip2.dat, read once by the catalogue reader.
const HipparcosCatalogue& anchor_catalogue() {
    static const HipparcosCatalogue catalogue = *HipparcosCatalogue::parse(
#include "core/sidereal/anchor_stars.inc"
    );
    return catalogue;
}

CatalogueStar hipparcos(std::int32_t hip) { return anchor_catalogue().find(hip)->astrometry; }

// The galactic centre: the radio source Sgr A* (M. J. Reid and A. Brunthaler
// 2004, ApJ 616, 872), 17h45m40.0409s, -29°00'28.118" (ICRS, J2000.0), with
// its apparent proper motion (-3.151, -5.547 mas per year, the reflex of the
// Sun's galactic orbit); a distance of 8 kpc stands for its parallax.
constexpr CatalogueStar GALACTIC_CENTRE{(17.0 + 45.0 / 60.0 + 40.0409 / 3600.0) * 15.0 * std::numbers::pi / 180.0,
                                        -(29.0 + 28.118 / 3600.0) * std::numbers::pi / 180.0,
                                        J2000_JULIAN_DAY,
                                        -3.151,
                                        -5.547,
                                        0.125};

}  // namespace

std::optional<StarAnchor> star_anchor(SiderealMode mode) {
    const SiderealModeRow& row = sidereal_mode_row(mode);
    switch (row.definition) {
        case AyanamshaDefinition::Star:
            return StarAnchor{hipparcos(row.anchor.hipparcos_number), row.anchor.sidereal_longitude_deg};
        case AyanamshaDefinition::GalacticCentre: return StarAnchor{GALACTIC_CENTRE, row.anchor.sidereal_longitude_deg};
        case AyanamshaDefinition::EpochValue: break;
    }
    return std::nullopt;
}

}  // namespace orvane
