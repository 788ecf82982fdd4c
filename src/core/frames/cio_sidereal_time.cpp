#include "core/frames/cio_sidereal_time.hpp"

#include <array>
#include <cmath>
#include <cstdint>

#include "core/angles.hpp"
#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "core/frames/fundamental_arguments.hpp"
#include "core/frames/of_date_rotation.hpp"
#include "core/frames/precession.hpp"

namespace orvane {

namespace {

struct LocatorTerm {
    double sine, cosine;  // arcseconds
    std::int32_t n[8];    // l, l', F, D, Ω, L_Ve, L_E, p_A
};

constexpr double POLYNOMIAL[6] = {
#define ORVANE_CIO_LOCATOR_POLYNOMIAL
#include "core/frames/cio_locator_s06_table.inc"
#undef ORVANE_CIO_LOCATOR_POLYNOMIAL
};

constexpr LocatorTerm ORDER_0[] = {
#define ORVANE_CIO_LOCATOR_S0
#include "core/frames/cio_locator_s06_table.inc"
#undef ORVANE_CIO_LOCATOR_S0
};
constexpr LocatorTerm ORDER_1[] = {
#define ORVANE_CIO_LOCATOR_S1
#include "core/frames/cio_locator_s06_table.inc"
#undef ORVANE_CIO_LOCATOR_S1
};
constexpr LocatorTerm ORDER_2[] = {
#define ORVANE_CIO_LOCATOR_S2
#include "core/frames/cio_locator_s06_table.inc"
#undef ORVANE_CIO_LOCATOR_S2
};
constexpr LocatorTerm ORDER_3[] = {
#define ORVANE_CIO_LOCATOR_S3
#include "core/frames/cio_locator_s06_table.inc"
#undef ORVANE_CIO_LOCATOR_S3
};
constexpr LocatorTerm ORDER_4[] = {
#define ORVANE_CIO_LOCATOR_S4
#include "core/frames/cio_locator_s06_table.inc"
#undef ORVANE_CIO_LOCATOR_S4
};

constexpr double TURN_ARCSEC = 1296000.0;

double polynomial_arcsec(const double (&c)[5], double t) {
    return std::fmod(c[0] + t * (c[1] + t * (c[2] + t * (c[3] + t * c[4]))), TURN_ARCSEC) * ARCSEC_TO_RAD;
}

// One order of the series, summed from the last term to the first as s06 does.
template <std::size_t N>
double order_sum(const LocatorTerm (&terms)[N], const double (&fa)[8]) {
    double sum = 0.0;
    for (std::size_t i = N; i-- > 0;) {
        double a = 0.0;
        for (int k = 0; k < 8; ++k) a += terms[i].n[k] * fa[k];
        sum += terms[i].sine * std::sin(a) + terms[i].cosine * std::cos(a);
    }
    return sum;
}

}  // namespace

// After ERFA s06: the fundamental arguments of fal03 to fapa03, the series
// of s + XY/2, less XY/2.
double cio_locator_s06(double tt_julian_day, double x, double y) {
    const double t = julian_centuries_since_j2000(tt_julian_day);
    const double fa[8] = {
        polynomial_arcsec(IERS2003_MOON_ANOMALY, t),
        polynomial_arcsec(IERS2003_SUN_ANOMALY, t),
        polynomial_arcsec(IERS2003_MOON_LATITUDE, t),
        polynomial_arcsec(IERS2003_MOON_ELONGATION, t),
        polynomial_arcsec(IERS2003_MOON_NODE, t),
        std::fmod(IERS2003_VENUS_LONGITUDE[0] + IERS2003_VENUS_LONGITUDE[1] * t, TWO_PI),
        std::fmod(IERS2003_EARTH_LONGITUDE[0] + IERS2003_EARTH_LONGITUDE[1] * t, TWO_PI),
        (IERS2003_GENERAL_PRECESSION[1] + IERS2003_GENERAL_PRECESSION[2] * t) * t,
    };
    const double w0 = POLYNOMIAL[0] + order_sum(ORDER_0, fa);
    const double w1 = POLYNOMIAL[1] + order_sum(ORDER_1, fa);
    const double w2 = POLYNOMIAL[2] + order_sum(ORDER_2, fa);
    const double w3 = POLYNOMIAL[3] + order_sum(ORDER_3, fa);
    const double w4 = POLYNOMIAL[4] + order_sum(ORDER_4, fa);
    const double w5 = POLYNOMIAL[5];
    return (w0 + (w1 + (w2 + (w3 + (w4 + w5 * t) * t) * t) * t) * t) * ARCSEC_TO_RAD - x * y / 2.0;
}

// After ERFA gst06a and eors (Wallace & Capitaine 2006, eq. 16): the
// matrix's rows from the turned axes, the CIO locator at its CIP.
double greenwich_apparent_sidereal_time_iau2006a(double ut1_julian_day, double tt_julian_day,
                                                 const Nutation& nutation) {
    OfDateRotation rotation(nutation, true, tt_julian_day);
    rotation.equatorial = true;
    double r[3][3]{};
    for (int j = 0; j < 3; ++j) {
        CartesianState axis{};
        axis.position[static_cast<std::size_t>(j)] = 1.0;
        const auto turned = rotation.apply(axis);
        for (int i = 0; i < 3; ++i) r[i][j] = turned ? turned->position[static_cast<std::size_t>(i)] : 0.0;
    }
    const double x = r[2][0], y = r[2][1];
    const double s = cio_locator_s06(tt_julian_day, x, y);
    const double ax = x / (1.0 + r[2][2]);
    const double xs = 1.0 - ax * x, ys = -ax * y, zs = -x;
    const double p = r[0][0] * xs + r[0][1] * ys + r[0][2] * zs;
    const double q = r[1][0] * xs + r[1][1] * ys + r[1][2] * zs;
    const double origins = (p != 0.0 || q != 0.0) ? s - std::atan2(q, p) : s;
    return reduce_radians(earth_rotation_angle(ut1_julian_day) - origins);
}

}  // namespace orvane
