#include "core/nutation.hpp"

#include <array>
#include <cmath>
#include <cstdint>

#include "core/constants.hpp"
#include "core/fundamental_arguments.hpp"
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

constexpr double TENTH_MICROARCSEC_TO_RAD = 4.848136811095359e-13;
// Fixed offsets standing in for the planetary terms (-0.135 and +0.388 mas).
constexpr double LONGITUDE_OFFSET_RAD = -6.544984694978736e-10;
constexpr double OBLIQUITY_OFFSET_RAD = 1.8810770827049994e-9;

// Multiples -2..4 of each of the five arguments: the range the series uses.
constexpr int LOWEST_MULTIPLE = -2, HIGHEST_MULTIPLE = 4;
constexpr int MULTIPLES = HIGHEST_MULTIPLE - LOWEST_MULTIPLE + 1;

// Each term's nonzero multiples, as places in the table of sines and cosines
// (argument × MULTIPLES + multiple - LOWEST_MULTIPLE), in the order l, l', F, D, Ω.
struct TermFactors {
    std::uint8_t count = 0;
    std::uint8_t place[5] = {};
};

constexpr std::array<TermFactors, TERMS.size()> FACTORS = [] {
    std::array<TermFactors, TERMS.size()> factors{};
    for (std::size_t i = 0; i < TERMS.size(); ++i) {
        const NutationTerm& term = TERMS[i];
        const std::int32_t multiples[5] = {term.nl, term.nlp, term.nf, term.nd, term.nom};
        for (int argument = 0; argument < 5; ++argument) {
            if (multiples[argument] == 0) continue;
            factors[i].place[factors[i].count++] =
                static_cast<std::uint8_t>(argument * MULTIPLES + multiples[argument] - LOWEST_MULTIPLE);
        }
    }
    return factors;
}();

// Sines and cosines of the multiples of the five arguments: of each argument
// itself once, the others by the angle-addition formulas.
struct MultiplesTable {
    double s[5 * MULTIPLES];
    double c[5 * MULTIPLES];

    explicit MultiplesTable(const double (&arguments)[5]) {
        for (int a = 0; a < 5; ++a) {
            double* sa = s + a * MULTIPLES - LOWEST_MULTIPLE;  // sa[k] for k in -2..4
            double* ca = c + a * MULTIPLES - LOWEST_MULTIPLE;
            const double s1 = std::sin(arguments[a]), c1 = std::cos(arguments[a]);
            sa[0] = 0.0, ca[0] = 1.0;
            sa[1] = s1, ca[1] = c1;
            sa[2] = 2.0 * s1 * c1, ca[2] = 1.0 - 2.0 * s1 * s1;
            for (int k = 3; k <= HIGHEST_MULTIPLE; ++k) {
                sa[k] = sa[k - 1] * c1 + ca[k - 1] * s1;
                ca[k] = ca[k - 1] * c1 - sa[k - 1] * s1;
            }
            for (int k = 1; k <= -LOWEST_MULTIPLE; ++k) sa[-k] = -sa[k], ca[-k] = ca[k];
        }
    }
};

}  // namespace

// After ERFA nut00b (IERS Conventions 2003, McCarthy & Luzum 2003): the same
// series and fundamental arguments; each term's sine and cosine come from the
// products of the five arguments' multiples instead of a sine and a cosine per
// term, and each term's rates are added without a fused multiply-add, which
// changes Δψ and Δε by a few 1e-20 rad at most.
Nutation nutation_iau2000b(double tt_julian_day) {
    const double t = julian_centuries_since_j2000(tt_julian_day);
    const DelaunayArguments delaunay = delaunay_arguments_iau2000b(t);
    const double arguments[5] = {delaunay.l, delaunay.l_prime, delaunay.f, delaunay.d, delaunay.omega};
    const MultiplesTable m(arguments);

    double dpsi = 0.0;
    double deps = 0.0;
    for (std::size_t i = TERMS.size(); i-- > 0;) {
        const NutationTerm& term = TERMS[i];
        const TermFactors& factors = FACTORS[i];
        // (cos a + i sin a) as the product of the term's nonzero multiples.
        double s = m.s[factors.place[0]], c = m.c[factors.place[0]];
        for (int f = 1; f < factors.count; ++f) {
            const double fs = m.s[factors.place[f]], fc = m.c[factors.place[f]];
            const double next_s = s * fc + c * fs;
            c = c * fc - s * fs;
            s = next_s;
        }
        dpsi += (term.ps + term.pst * t) * s + term.pc * c;
        deps += term.es * s + (term.ec + term.ect * t) * c;
    }
    return {dpsi * TENTH_MICROARCSEC_TO_RAD + LONGITUDE_OFFSET_RAD,
            deps * TENTH_MICROARCSEC_TO_RAD + OBLIQUITY_OFFSET_RAD};
}

}  // namespace orvane
