#pragma once

namespace orvane {

// The five Delaunay arguments of the luni-solar nutation, linear in time as
// the IAU 2000B nutation takes them, in radians at T Julian centuries of TT
// since J2000.0: the mean anomalies of the Moon (l) and of the Sun (l'), the
// Moon's mean argument of latitude (F), its mean elongation from the Sun (D)
// and the mean longitude of its ascending node (Ω). Each is the remainder of
// its value by a turn, with the value's sign. After ERFA eraNut00b (IERS
// Conventions 2003, McCarthy & Luzum 2003).
struct DelaunayArguments {
    double l = 0.0;
    double l_prime = 0.0;
    double f = 0.0;
    double d = 0.0;
    double omega = 0.0;
};

DelaunayArguments delaunay_arguments_iau2000b(double t_centuries);

// Ω alone, the same value.
double moon_node_longitude_iau2000b_rad(double t_centuries);

}  // namespace orvane
