#include "core/sidereal/sidereal.hpp"

#include <cmath>
#include <limits>

#include "core/frames/precession.hpp"
#include "core/sidereal/sidereal_modes.hpp"

namespace orvane {

namespace {

// Offset at the reference epoch (degrees) and that epoch; NaN for a mode
// anchored on a star (the engine computes those).
constexpr AyanamshaEpochValue origin(SiderealMode mode) {
    const SiderealModeRow& row = sidereal_mode_row(mode);
    if (row.definition == AyanamshaDefinition::EpochValue) return row.epoch_value;
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
    const AyanamshaEpochValue o = origin(mode);
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
