#include "core/sidereal/sidereal.hpp"

#include <cmath>
#include <limits>

#include "core/frames/precession.hpp"

namespace orvane {

namespace {

// Offset at the reference epoch (degrees) and that epoch (Julian centuries of
// TT since J2000.0).
struct AyanamshaOrigin {
    double base_deg;
    double epoch_centuries;
};

constexpr double J1900_CENTURIES = -1.0;  // 1900 January 0.5 TT, JD 2415020.0

// The published definitions: the mean ayanamsha at the epoch each school
// fixed. Those given at J1900 are the values by which astrological
// ephemerides tabulate these schools.
constexpr AyanamshaOrigin origin(SiderealMode mode) {
    switch (mode) {
        case SiderealMode::Lahiri: return {23.25, -0.43782340862422997};  // 1956 March 21, 0h
        case SiderealMode::FaganBradley: return {24.042044444444446, -0.500002095577008};  // B1950.0
        // B. V. Raman, Hindu Predictive Astrology (1938).
        case SiderealMode::Raman: return {21.01421, J1900_CENTURIES};
        // Usha and Shashi, Hindu Astrological Calculations (1978).
        case SiderealMode::UshaShashi: return {18.66096, J1900_CENTURIES};
        // K. S. Krishnamurti, Krishnamurti Paddhati (1960s).
        case SiderealMode::Krishnamurti: return {22.363659, J1900_CENTURIES};
        // The Tibetan (Djwhal Khul) through A. A. Bailey: the Aquarian age
        // begins in 2117.
        case SiderealMode::DjwhalKhul: return {26.963098, J1900_CENTURIES};
        // Sri Yukteshwar, The Holy Science (1894): 21°04'56" in 1900.
        case SiderealMode::Yukteshwar: return {21.082222, J1900_CENTURIES};
        // J. N. Bhasin: 21°21'56" in 1900.
        case SiderealMode::JnBhasin: return {21.365556, J1900_CENTURIES};
        // The Sassanian Zij-i Shah: zero in 564, JD 1927135.8747793 (TT).
        case SiderealMode::Sassanian: return {0.0, (1927135.8747793 - 2451545.0) / 36525.0};
        default: break;  // anchored on a star: the engine computes them
    }
    return {std::numeric_limits<double>::quiet_NaN(), 0.0};
}

// IAU 2006 general precession in longitude, arcseconds, no constant term.
double general_precession_arcsec(double t) {
    double p = std::fma(-0.0000000383, t, -0.000023857);
    p = std::fma(p, t, 0.00007964);
    p = std::fma(p, t, 1.1054348);
    p = std::fma(p, t, 5028.796195);
    return p * t;
}

constexpr double ARCSEC_CENTURY_PER_DEG_DAY = 131490000.0;  // 36525 days × 3600″

}  // namespace

std::expected<double, CoordinateError> ayanamsha_deg(SiderealMode mode, double tt_julian_day) {
    if (!std::isfinite(tt_julian_day)) return std::unexpected(CoordinateError::NonFiniteState);
    const AyanamshaOrigin o = origin(mode);
    const double t = julian_centuries_since_j2000(tt_julian_day);
    return o.base_deg + (general_precession_arcsec(t) - general_precession_arcsec(o.epoch_centuries)) / 3600.0;
}

std::expected<double, CoordinateError> ayanamsha_rate_deg_per_day(double tt_julian_day) {
    if (!std::isfinite(tt_julian_day)) return std::unexpected(CoordinateError::NonFiniteState);
    const double t = julian_centuries_since_j2000(tt_julian_day);
    double rate = std::fma(-0.0000001915, t, -0.000095428);
    rate = std::fma(rate, t, 0.00023892);
    rate = std::fma(rate, t, 2.2108696);
    rate = std::fma(rate, t, 5028.796195);
    return rate / ARCSEC_CENTURY_PER_DEG_DAY;
}

}  // namespace orvane
