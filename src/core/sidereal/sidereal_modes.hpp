#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <string_view>

#include "core/selectors.hpp"

// Every sidereal mode, one row each: its names and what defines it, either
// the ayanamsha at an epoch (carried forward by the general precession) or a
// star, or the galactic centre, held at a fixed sidereal longitude.
namespace orvane {

// The mean ayanamsha at the epoch a school fixed it (degrees; the epoch in
// Julian centuries of TT since J2000.0).
struct AyanamshaEpochValue {
    double base_deg;
    double epoch_centuries;
};

// What a star-anchored mode holds: a Hipparcos star (by its number) or the
// galactic centre, at a sidereal longitude in degrees.
struct AyanamshaAnchor {
    std::int32_t hipparcos_number;  // 0 for the galactic centre
    double sidereal_longitude_deg;
};

enum class AyanamshaDefinition : std::uint8_t { EpochValue, Star, GalacticCentre };

struct SiderealModeRow {
    SiderealMode mode;
    // The canonical name: lower case, words joined by "_"; any spelling that
    // differs in case or in "-", "_", " " or nothing between the words names
    // the same mode.
    std::string_view name;
    std::array<std::string_view, 1> other_names;  // in the same form ("" for none)
    std::string_view title;                       // as written in prose
    AyanamshaDefinition definition;
    AyanamshaEpochValue epoch_value;  // EpochValue
    AyanamshaAnchor anchor;           // Star, GalacticCentre
};

inline constexpr double J1900_CENTURIES = -1.0;  // 1900 January 0.5 TT, JD 2415020.0

namespace sidereal_rows {
constexpr SiderealModeRow epoch_value(SiderealMode mode, std::string_view name, std::string_view title,
                                      double base_deg, double epoch_centuries) {
    return {mode, name, {""}, title, AyanamshaDefinition::EpochValue, {base_deg, epoch_centuries}, {0, 0.0}};
}
constexpr SiderealModeRow star(SiderealMode mode, std::string_view name, std::string_view other_name,
                               std::string_view title, std::int32_t hipparcos_number, double longitude_deg) {
    return {mode, name, {other_name}, title, AyanamshaDefinition::Star, {0.0, 0.0}, {hipparcos_number, longitude_deg}};
}
constexpr SiderealModeRow galactic_centre(SiderealMode mode, std::string_view name, std::string_view other_name,
                                          std::string_view title, double longitude_deg) {
    return {mode, name, {other_name}, title, AyanamshaDefinition::GalacticCentre, {0.0, 0.0}, {0, longitude_deg}};
}
}  // namespace sidereal_rows

// One row per mode, in the order of the SiderealMode values. The epoch values
// are the published definitions; those given at J1900 are the values by
// which astrological ephemerides tabulate these schools.
inline constexpr std::array<SiderealModeRow, 16> SIDEREAL_MODES{{
    // 1956 March 21, 0h.
    sidereal_rows::epoch_value(SiderealMode::Lahiri, "lahiri", "Lahiri", 23.25, -0.43782340862422997),
    // B1950.0.
    sidereal_rows::epoch_value(SiderealMode::FaganBradley, "fagan_bradley", "Fagan\u2013Bradley",
                               24.042044444444446, -0.500002095577008),
    // B. V. Raman, Hindu Predictive Astrology (1938).
    sidereal_rows::epoch_value(SiderealMode::Raman, "raman", "Raman", 21.01421, J1900_CENTURIES),
    // Usha and Shashi, Hindu Astrological Calculations (1978).
    sidereal_rows::epoch_value(SiderealMode::UshaShashi, "usha_shashi", "Usha\u2013Shashi", 18.66096,
                               J1900_CENTURIES),
    // K. S. Krishnamurti, Krishnamurti Paddhati (1960s).
    sidereal_rows::epoch_value(SiderealMode::Krishnamurti, "krishnamurti", "Krishnamurti", 22.363659,
                               J1900_CENTURIES),
    // The Tibetan (Djwhal Khul) through A. A. Bailey: the Aquarian age begins in 2117.
    sidereal_rows::epoch_value(SiderealMode::DjwhalKhul, "djwhal_khul", "Djwhal Khul", 26.963098, J1900_CENTURIES),
    // Sri Yukteshwar, The Holy Science (1894): 21°04'56" in 1900.
    sidereal_rows::epoch_value(SiderealMode::Yukteshwar, "yukteshwar", "Yukteshwar", 21.082222, J1900_CENTURIES),
    // J. N. Bhasin: 21°21'56" in 1900.
    sidereal_rows::epoch_value(SiderealMode::JnBhasin, "jn_bhasin", "J. N. Bhasin", 21.365556, J1900_CENTURIES),
    // The Sassanian Zij-i Shah: zero in 564, JD 1927135.8747793 (TT).
    sidereal_rows::epoch_value(SiderealMode::Sassanian, "sassanian", "Sassanian", 0.0,
                               (1927135.8747793 - 2451545.0) / 36525.0),
    // True Chitrapaksha: Spica (Chitra) at 180 degrees.
    sidereal_rows::star(SiderealMode::TrueCitra, "true_citra", "true_chitrapaksha", "True Citra", 65474, 180.0),
    // True Revati: zeta Piscium at 359°50'.
    sidereal_rows::star(SiderealMode::TrueRevati, "true_revati", "", "True Revati", 5737, 359.0 + 50.0 / 60.0),
    // True Pushya (P. V. R. Narasimha Rao): delta Cancri at 106 degrees.
    sidereal_rows::star(SiderealMode::TruePushya, "true_pushya", "", "True Pushya", 42911, 106.0),
    // True Mula (Chandra Hari): lambda Scorpii at 240 degrees.
    sidereal_rows::star(SiderealMode::TrueMula, "true_mula", "", "True Mula", 85927, 240.0),
    // The galactic centre at 0 degrees Sagittarius.
    sidereal_rows::galactic_centre(SiderealMode::GalacticCentre0Sag, "galactic_centre_0_sag",
                                   "galactic_center_0_sag", "Galactic Centre at 0\u00b0 Sagittarius", 240.0),
    // R. Gil Brand: the galactic centre at the golden section of the arc from
    // 0 degrees Scorpio to 0 degrees Aquarius.
    sidereal_rows::galactic_centre(SiderealMode::GalacticCentreGilBrand, "galactic_centre_gil_brand",
                                   "galactic_center_gil_brand", "Galactic Centre (Gil Brand)",
                                   210.0 + 90.0 * (2.0 - std::numbers::phi)),
    // D. Cochrane: the galactic centre at 0 degrees Capricorn.
    sidereal_rows::galactic_centre(SiderealMode::GalacticCentreCochrane, "galactic_centre_cochrane",
                                   "galactic_center_cochrane", "Galactic Centre (Cochrane)", 270.0),
}};

constexpr bool sidereal_modes_in_order() {
    for (std::size_t i = 0; i < SIDEREAL_MODES.size(); ++i) {
        if (static_cast<std::size_t>(SIDEREAL_MODES[i].mode) != i) return false;
    }
    return true;
}
static_assert(sidereal_modes_in_order(), "SIDEREAL_MODES lists the SiderealMode values in order");

constexpr const SiderealModeRow& sidereal_mode_row(SiderealMode mode) {
    return SIDEREAL_MODES[static_cast<std::size_t>(mode)];
}

}  // namespace orvane
