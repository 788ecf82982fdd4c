#include "core/sidereal/star_ayanamsha.hpp"

#include <cmath>
#include <cstdint>
#include <numbers>

#include "core/constants.hpp"
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
    switch (mode) {
        // True Chitrapaksha: Spica (Chitra) at 180 degrees.
        case SiderealMode::TrueCitra: return StarAnchor{hipparcos(65474), 180.0};
        // True Revati: zeta Piscium at 359°50'.
        case SiderealMode::TrueRevati: return StarAnchor{hipparcos(5737), 359.0 + 50.0 / 60.0};
        // True Pushya (P. V. R. Narasimha Rao): delta Cancri at 106 degrees.
        case SiderealMode::TruePushya: return StarAnchor{hipparcos(42911), 106.0};
        // True Mula (Chandra Hari): lambda Scorpii at 240 degrees.
        case SiderealMode::TrueMula: return StarAnchor{hipparcos(85927), 240.0};
        // The galactic centre at 0 degrees Sagittarius.
        case SiderealMode::GalacticCentre0Sag: return StarAnchor{GALACTIC_CENTRE, 240.0};
        // R. Gil Brand: the galactic centre at the golden section of the arc
        // from 0 degrees Scorpio to 0 degrees Aquarius.
        case SiderealMode::GalacticCentreGilBrand:
            return StarAnchor{GALACTIC_CENTRE, 210.0 + 90.0 * (2.0 - std::numbers::phi)};
        // D. Cochrane: the galactic centre at 0 degrees Capricorn.
        case SiderealMode::GalacticCentreCochrane: return StarAnchor{GALACTIC_CENTRE, 270.0};
        default: return std::nullopt;
    }
}

}  // namespace orvane
