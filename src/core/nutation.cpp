#include "core/nutation.hpp"

#include <array>
#include <cmath>
#include <cstdint>

#include "core/constants.hpp"
#include "core/precession.hpp"

namespace orvane {

namespace {

struct NutationTerm {
    // 0.1 microarcsecond; the rates per Julian century.
    double ps, pst, pc, ec, ect, es;
    // Multipliers of l, l', F, D, Ω.
    std::int32_t nl, nlp, nf, nd, nom;
};

constexpr std::array<NutationTerm, 77> TERMS{{
#include "core/nutation_table.inc"
}};

constexpr double ARCSEC_PER_TURN = 1296000.0;
constexpr double TENTH_MICROARCSEC_TO_RAD = 4.848136811095359e-13;
// Fixed offsets standing in for the planetary terms (-0.135 and +0.388 mas).
constexpr double LONGITUDE_OFFSET_RAD = -6.544984694978736e-10;
constexpr double OBLIQUITY_OFFSET_RAD = 1.8810770827049994e-9;

// a + b T in arcseconds, remainder by a full turn with the sign of the dividend.
double fundamental_argument(double a, double b, double t) {
    return std::fmod(std::fma(b, t, a), ARCSEC_PER_TURN);
}

}  // namespace

Nutation nutation_iau2000b(double tt_julian_day) {
    const double t = julian_centuries_since_j2000(tt_julian_day);
    // Delaunay arguments in radians: l, l', F, D, Ω.
    const double l = fundamental_argument(485868.249036, 1717915923.2178, t) * ARCSEC_TO_RAD;
    const double lp = fundamental_argument(1287104.79305, 129596581.0481, t) * ARCSEC_TO_RAD;
    const double f = fundamental_argument(335779.526232, 1739527262.8478, t) * ARCSEC_TO_RAD;
    const double d = fundamental_argument(1072260.70369, 1602961601.209, t) * ARCSEC_TO_RAD;
    const double om = fundamental_argument(450160.398036, -6962890.5431, t) * ARCSEC_TO_RAD;

    double dpsi = 0.0;
    double deps = 0.0;
    for (auto it = TERMS.rbegin(); it != TERMS.rend(); ++it) {
        const NutationTerm& term = *it;
        const double a = term.nl * l + term.nlp * lp + term.nf * f + term.nd * d + term.nom * om;
        const double s = std::sin(a);
        const double c = std::cos(a);
        dpsi += std::fma(term.pst, t, term.ps) * s + term.pc * c;
        deps += term.es * s + std::fma(term.ect, t, term.ec) * c;
    }
    return {dpsi * TENTH_MICROARCSEC_TO_RAD + LONGITUDE_OFFSET_RAD,
            deps * TENTH_MICROARCSEC_TO_RAD + OBLIQUITY_OFFSET_RAD};
}

}  // namespace orvane
