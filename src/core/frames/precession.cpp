#include "core/frames/precession.hpp"

#include <cmath>

#include "core/constants.hpp"
#include "core/fused_multiply_add.hpp"

namespace orvane {

namespace {

// c0 + c1 T + ... + c5 T^5 by Horner's rule with fused multiply-adds.
double quintic(double t, double c0, double c1, double c2, double c3, double c4, double c5) {
    double p = std::fma(c5, t, c4);
    p = std::fma(p, t, c3);
    p = std::fma(p, t, c2);
    p = std::fma(p, t, c1);
    return std::fma(p, t, c0);
}

// The derivative of that polynomial in T.
double quintic_rate(double t, double c1, double c2, double c3, double c4, double c5) {
    double p = std::fma(5.0 * c5, t, 4.0 * c4);
    p = std::fma(p, t, 3.0 * c3);
    p = std::fma(p, t, 2.0 * c2);
    return std::fma(p, t, c1);
}

constexpr double PER_DAY = ARCSEC_TO_RAD / DAYS_PER_JULIAN_CENTURY;

}  // namespace

double julian_centuries_since_j2000(double julian_day) {
    return (julian_day - J2000_JULIAN_DAY) / DAYS_PER_JULIAN_CENTURY;
}

ORVANE_FMA_CLONES double mean_obliquity_iau2006_rad(double t) {
    return quintic(t, 84381.406, -46.836769, -0.0001831, 0.0020034, -5.76e-7, -4.34e-8) * ARCSEC_TO_RAD;
}

ORVANE_FMA_CLONES FukushimaWilliamsAngles precession_angles_iau2006(double t) {
    FukushimaWilliamsAngles angles;
    angles.gamma_bar_rad = quintic(t, -0.052928, 10.556378, 0.4932044, -0.00031238, -2.788e-6, 2.6e-8) * ARCSEC_TO_RAD;
    angles.phi_bar_rad = quintic(t, 84381.412819, -46.811016, 0.0511268, 0.00053289, -4.4e-7, -1.76e-8) * ARCSEC_TO_RAD;
    angles.psi_bar_rad = quintic(t, -0.041775, 5038.481484, 1.5584175, -0.00018522, -2.6452e-5, -1.48e-8) * ARCSEC_TO_RAD;
    angles.mean_obliquity_rad = mean_obliquity_iau2006_rad(t);
    angles.gamma_bar_rate = quintic_rate(t, 10.556378, 0.4932044, -0.00031238, -2.788e-6, 2.6e-8) * PER_DAY;
    angles.phi_bar_rate = quintic_rate(t, -46.811016, 0.0511268, 0.00053289, -4.4e-7, -1.76e-8) * PER_DAY;
    angles.psi_bar_rate = quintic_rate(t, 5038.481484, 1.5584175, -0.00018522, -2.6452e-5, -1.48e-8) * PER_DAY;
    angles.mean_obliquity_rate = quintic_rate(t, -46.836769, -0.0001831, 0.0020034, -5.76e-7, -4.34e-8) * PER_DAY;
    return angles;
}

}  // namespace orvane
