#pragma once

namespace orvane {

// Julian centuries of 36525 days since J2000.0 for a Julian day.
double julian_centuries_since_j2000(double julian_day);

// IAU 2006 Fukushima-Williams precession angles (frame bias included), radians.
struct FukushimaWilliamsAngles {
    double gamma_bar_rad = 0.0;
    double phi_bar_rad = 0.0;
    double psi_bar_rad = 0.0;
    double mean_obliquity_rad = 0.0;  // ε_A
    // Their time derivatives, radians per day of TT.
    double gamma_bar_rate = 0.0;
    double phi_bar_rate = 0.0;
    double psi_bar_rate = 0.0;
    double mean_obliquity_rate = 0.0;
};

// Angles at T Julian centuries of TT since J2000.0.
FukushimaWilliamsAngles precession_angles_iau2006(double t_centuries);

// IAU 2006 mean obliquity of the ecliptic ε_A in radians at T centuries of TT.
double mean_obliquity_iau2006_rad(double t_centuries);

}  // namespace orvane
