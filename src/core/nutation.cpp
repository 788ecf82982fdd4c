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

// Sine and cosine of the integer multiples -2..4 of one angle: those of the
// angle itself once, the others by the angle-addition formulas.
struct Multiples {
    static constexpr int LOWEST = -2, HIGHEST = 4;
    double s[HIGHEST - LOWEST + 1];
    double c[HIGHEST - LOWEST + 1];

    explicit Multiples(double angle) {
        const double s1 = std::sin(angle), c1 = std::cos(angle);
        set(0, 0.0, 1.0);
        set(1, s1, c1);
        set(2, 2.0 * s1 * c1, 1.0 - 2.0 * s1 * s1);
        for (int k = 3; k <= HIGHEST; ++k) {
            set(k, sin_at(k - 1) * c1 + cos_at(k - 1) * s1, cos_at(k - 1) * c1 - sin_at(k - 1) * s1);
        }
        for (int k = 1; k <= -LOWEST; ++k) set(-k, -sin_at(k), cos_at(k));
    }
    void set(int k, double sine, double cosine) {
        s[k - LOWEST] = sine;
        c[k - LOWEST] = cosine;
    }
    double sin_at(int k) const { return s[k - LOWEST]; }
    double cos_at(int k) const { return c[k - LOWEST]; }
};

// (c + i s) times (cos kx + i sin kx).
inline void multiply(double& s, double& c, const Multiples& m, int k) {
    if (k == 0) return;
    const double ms = m.sin_at(k), mc = m.cos_at(k);
    const double next_s = s * mc + c * ms;
    c = c * mc - s * ms;
    s = next_s;
}

}  // namespace

// After ERFA nut00b (IERS Conventions 2003, McCarthy & Luzum 2003): the same
// series and fundamental arguments; each term's sine and cosine come from the
// products of the five arguments' multiples instead of a sine and a cosine per
// term, which changes Δψ and Δε by a few 1e-20 rad at most.
Nutation nutation_iau2000b(double tt_julian_day) {
    const double t = julian_centuries_since_j2000(tt_julian_day);
    // Delaunay arguments in radians: l, l', F, D, Ω.
    const Multiples l(fundamental_argument(485868.249036, 1717915923.2178, t) * ARCSEC_TO_RAD);
    const Multiples lp(fundamental_argument(1287104.79305, 129596581.0481, t) * ARCSEC_TO_RAD);
    const Multiples f(fundamental_argument(335779.526232, 1739527262.8478, t) * ARCSEC_TO_RAD);
    const Multiples d(fundamental_argument(1072260.70369, 1602961601.209, t) * ARCSEC_TO_RAD);
    const Multiples om(fundamental_argument(450160.398036, -6962890.5431, t) * ARCSEC_TO_RAD);

    double dpsi = 0.0;
    double deps = 0.0;
    for (auto it = TERMS.rbegin(); it != TERMS.rend(); ++it) {
        const NutationTerm& term = *it;
        // (cos a + i sin a) as the product of the five factors; a zero
        // multiple is the factor (1, 0), which changes nothing and is skipped.
        double s = l.sin_at(term.nl), c = l.cos_at(term.nl);
        multiply(s, c, lp, term.nlp);
        multiply(s, c, f, term.nf);
        multiply(s, c, d, term.nd);
        multiply(s, c, om, term.nom);
        dpsi += (term.ps + term.pst * t) * s + term.pc * c;
        deps += term.es * s + (term.ec + term.ect * t) * c;
    }
    return {dpsi * TENTH_MICROARCSEC_TO_RAD + LONGITUDE_OFFSET_RAD,
            deps * TENTH_MICROARCSEC_TO_RAD + OBLIQUITY_OFFSET_RAD};
}

}  // namespace orvane
