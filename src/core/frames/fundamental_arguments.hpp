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

// The same five as the IERS Conventions 2003 give them, polynomials in T
// (arcseconds, lowest power first; ERFA fal03, falp03, faf03, fad03,
// faom03), and the mean longitudes of Venus and the Earth and the general
// accumulated precession in longitude (ERFA fave03, fae03, fapa03: radians,
// lowest power first).
inline constexpr double IERS2003_MOON_ANOMALY[5] = {485868.249036, 1717915923.2178, 31.8792, 0.051635, -0.00024470};
inline constexpr double IERS2003_SUN_ANOMALY[5] = {1287104.793048, 129596581.0481, -0.5532, 0.000136, -0.00001149};
inline constexpr double IERS2003_MOON_LATITUDE[5] = {335779.526232, 1739527262.8478, -12.7512, -0.001037,
                                                     0.00000417};
inline constexpr double IERS2003_MOON_ELONGATION[5] = {1072260.703692, 1602961601.2090, -6.3706, 0.006593,
                                                       -0.00003169};
inline constexpr double IERS2003_MOON_NODE[5] = {450160.398036, -6962890.5431, 7.4722, 0.007702, -0.00005939};
inline constexpr double IERS2003_VENUS_LONGITUDE[2] = {3.176146697, 1021.3285546211};
inline constexpr double IERS2003_EARTH_LONGITUDE[2] = {1.753470314, 628.3075849991};
inline constexpr double IERS2003_GENERAL_PRECESSION[3] = {0.0, 0.024381750, 0.00000538691};

}  // namespace orvane
