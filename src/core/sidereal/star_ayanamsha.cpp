#include "core/sidereal/star_ayanamsha.hpp"

#include <cmath>
#include <numbers>

#include "core/constants.hpp"

namespace orvane {

namespace {

constexpr double HIPPARCOS_EPOCH = 2448349.0625;  // J1991.25 (TT)
constexpr double MAS_TO_RAD = std::numbers::pi / (180.0 * 3600.0 * 1000.0);
constexpr double SECONDS_PER_JULIAN_YEAR = 365.25 * 86400.0;
constexpr double AU_PER_PARSEC = 648000.0 / std::numbers::pi;

// Hipparcos, the new reduction (F. van Leeuwen 2007, ESA catalogue I/311),
// as its file hip2.dat gives them: right ascension and declination (radians,
// ICRS, epoch J1991.25), parallax and proper motion (mas, mas per year).
constexpr CatalogueStar hipparcos(double ra_rad, double dec_rad, double parallax_mas, double pm_ra_mas,
                                  double pm_dec_mas) {
    return {ra_rad, dec_rad, HIPPARCOS_EPOCH, pm_ra_mas, pm_dec_mas, parallax_mas};
}

constexpr CatalogueStar SPICA = hipparcos(3.5133190262, -0.1948004728, 13.06, -42.35, -30.67);      // HIP 65474
constexpr CatalogueStar ZETA_PISCIUM = hipparcos(0.3217079613, 0.1322172321, 18.76, 145.00, -55.69);  // HIP 5737
constexpr CatalogueStar DELTA_CANCRI = hipparcos(2.2893709279, 0.3168621473, 24.98, -17.67, -229.26);  // HIP 42911
constexpr CatalogueStar LAMBDA_SCORPII = hipparcos(4.5972355280, -0.6475825794, 5.71, -8.53, -30.80);  // HIP 85927

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
        case SiderealMode::TrueCitra: return StarAnchor{SPICA, 180.0};
        // True Revati: zeta Piscium at 359°50'.
        case SiderealMode::TrueRevati: return StarAnchor{ZETA_PISCIUM, 359.0 + 50.0 / 60.0};
        // True Pushya (P. V. R. Narasimha Rao): delta Cancri at 106 degrees.
        case SiderealMode::TruePushya: return StarAnchor{DELTA_CANCRI, 106.0};
        // True Mula (Chandra Hari): lambda Scorpii at 240 degrees.
        case SiderealMode::TrueMula: return StarAnchor{LAMBDA_SCORPII, 240.0};
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

// The space motion of ERFA's eraStarpv without the radial velocity, which
// Hipparcos does not give; moved linearly, as eraStarpm does.
CartesianState catalogue_star_state(const CatalogueStar& star, double tt_julian_day) {
    const double distance_km = AU_PER_PARSEC / (star.parallax_mas / 1000.0) * AU_KM;
    const double sa = std::sin(star.right_ascension_rad), ca = std::cos(star.right_ascension_rad);
    const double sd = std::sin(star.declination_rad), cd = std::cos(star.declination_rad);
    const double per_second = MAS_TO_RAD / SECONDS_PER_JULIAN_YEAR * distance_km;
    const double east = star.proper_motion_ra_cos_dec_mas_per_year * per_second;  // km/s along increasing RA
    const double north = star.proper_motion_dec_mas_per_year * per_second;        // km/s along increasing Dec
    CartesianState s;
    s.velocity = {-sa * east - ca * sd * north, ca * east - sa * sd * north, cd * north};
    const double elapsed = (tt_julian_day - star.epoch_julian_day) * SECONDS_PER_DAY;
    const std::array<double, 3> direction{ca * cd, sa * cd, sd};
    for (int i = 0; i < 3; ++i) s.position[i] = direction[i] * distance_km + s.velocity[i] * elapsed;
    return s;
}

}  // namespace orvane
