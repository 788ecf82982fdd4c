#include "core/frames/nutation.hpp"

#include <array>
#include <cmath>
#include <cstdint>

#include "core/constants.hpp"
#include "core/frames/fundamental_arguments.hpp"
#include "core/frames/precession.hpp"

namespace orvane {

namespace {

struct NutationTerm {
    // 0.1 microarcsecond; the rates per Julian century.
    double ps, pst, pc, ec, ect, es;
    // Multipliers of l, l', F, D, Ω.
    std::int32_t nl, nlp, nf, nd, nom;
};

constexpr std::array<NutationTerm, 77> TERMS{{
#include "core/frames/nutation_table.inc"
}};

constexpr double TENTH_MICROARCSEC_TO_RAD = 4.848136811095359e-13;
// Fixed offsets standing in for the planetary terms (-0.135 and +0.388 mas).
constexpr double LONGITUDE_OFFSET_RAD = -6.544984694978736e-10;
constexpr double OBLIQUITY_OFFSET_RAD = 1.8810770827049994e-9;

// Multiples -2..4 of each of the five arguments: the range the series uses.
constexpr int LOWEST_MULTIPLE = -2, HIGHEST_MULTIPLE = 4;
constexpr int MULTIPLES = HIGHEST_MULTIPLE - LOWEST_MULTIPLE + 1;

// Each term's angle is the sum of a part in l, l' and a part in F, D, Ω; the
// series uses 14 distinct parts of the first kind and 18 of the second.
struct Parts {
    static constexpr std::size_t MOST = 24;
    std::size_t count = 0;
    std::int32_t multiples[MOST][3] = {};
    std::uint8_t of_term[77] = {};
};

constexpr Parts split(int first_argument, int arguments) {
    Parts parts;
    for (std::size_t i = 0; i < TERMS.size(); ++i) {
        const NutationTerm& term = TERMS[i];
        const std::int32_t all[5] = {term.nl, term.nlp, term.nf, term.nd, term.nom};
        std::size_t found = parts.count;
        for (std::size_t p = 0; p < parts.count && found == parts.count; ++p) {
            bool same = true;
            for (int k = 0; k < arguments; ++k) same = same && parts.multiples[p][k] == all[first_argument + k];
            if (same) found = p;
        }
        if (found == parts.count) {
            for (int k = 0; k < arguments; ++k) parts.multiples[found][k] = all[first_argument + k];
            ++parts.count;
        }
        parts.of_term[i] = static_cast<std::uint8_t>(found);
    }
    return parts;
}

// Each term's angular rate in arcseconds per Julian century: its multipliers
// times the rates of l, l', F, D and Ω (the linear coefficients of
// delaunay_arguments_iau2000b).
constexpr std::array<double, 77> term_rates() {
    constexpr double RATES[5] = {1717915923.2178, 129596581.0481, 1739527262.8478, 1602961601.209, -6962890.5431};
    std::array<double, 77> out{};
    for (std::size_t i = 0; i < TERMS.size(); ++i) {
        const NutationTerm& t = TERMS[i];
        out[i] = t.nl * RATES[0] + t.nlp * RATES[1] + t.nf * RATES[2] + t.nd * RATES[3] + t.nom * RATES[4];
    }
    return out;
}
constexpr std::array<double, 77> TERM_RATES_ARCSEC_PER_CENTURY = term_rates();

constexpr Parts LUNAR_ANOMALY_PARTS = split(0, 2);  // l, l'
constexpr Parts ARGUMENT_PARTS = split(2, 3);       // F, D, Ω
static_assert(LUNAR_ANOMALY_PARTS.count <= Parts::MOST && ARGUMENT_PARTS.count <= Parts::MOST);

// sin and cos of an angle.
struct Turn {
    double s = 0.0, c = 1.0;
};

// The angle of a sum from the angles of its terms.
Turn add(Turn a, Turn b) { return {a.s * b.c + a.c * b.s, a.c * b.c - a.s * b.s}; }

// Sines and cosines of the multiples of the five arguments: of each argument
// itself once, the others by the angle-addition formulas.
struct MultiplesTable {
    Turn m[5][MULTIPLES];

    explicit MultiplesTable(const double (&arguments)[5]) {
        for (int a = 0; a < 5; ++a) {
            Turn* ma = m[a] - LOWEST_MULTIPLE;  // ma[k] for k in -2..4
            const double s1 = std::sin(arguments[a]), c1 = std::cos(arguments[a]);
            ma[0] = {0.0, 1.0};
            ma[1] = {s1, c1};
            ma[2] = {2.0 * s1 * c1, 1.0 - 2.0 * s1 * s1};
            for (int k = 3; k <= HIGHEST_MULTIPLE; ++k) ma[k] = add(ma[k - 1], ma[1]);
            for (int k = 1; k <= -LOWEST_MULTIPLE; ++k) ma[-k] = {-ma[k].s, ma[k].c};
        }
    }

    Turn of(int argument, std::int32_t multiple) const { return m[argument][multiple - LOWEST_MULTIPLE]; }
};

// The angles of the parts, from the multiples of their arguments.
void part_angles(const Parts& parts, const MultiplesTable& table, int first_argument, int arguments, Turn* out) {
    for (std::size_t p = 0; p < parts.count; ++p) {
        Turn angle = table.of(first_argument, parts.multiples[p][0]);
        for (int k = 1; k < arguments; ++k) angle = add(angle, table.of(first_argument + k, parts.multiples[p][k]));
        out[p] = angle;
    }
}

}  // namespace

// After ERFA nut00b (IERS Conventions 2003, McCarthy & Luzum 2003): the same
// series and fundamental arguments; each term's sine and cosine come from
// products of the arguments' multiples (its part in l, l' times its part in
// F, D, Ω) instead of a sine and a cosine per term, and each term's rates are
// added without a fused multiply-add, which changes Δψ and Δε by a few
// 1e-20 rad at most.
Nutation nutation_iau2000b(double tt_julian_day) {
    const double t = julian_centuries_since_j2000(tt_julian_day);
    const DelaunayArguments delaunay = delaunay_arguments_iau2000b(t);
    const double arguments[5] = {delaunay.l, delaunay.l_prime, delaunay.f, delaunay.d, delaunay.omega};
    const MultiplesTable table(arguments);
    Turn anomalies[Parts::MOST], others[Parts::MOST];
    part_angles(LUNAR_ANOMALY_PARTS, table, 0, 2, anomalies);
    part_angles(ARGUMENT_PARTS, table, 2, 3, others);

    double dpsi = 0.0;
    double deps = 0.0;
    double dpsi_rate = 0.0;  // per century
    double deps_rate = 0.0;
    for (std::size_t i = TERMS.size(); i-- > 0;) {
        const NutationTerm& term = TERMS[i];
        const Turn angle = add(anomalies[LUNAR_ANOMALY_PARTS.of_term[i]], others[ARGUMENT_PARTS.of_term[i]]);
        const double psi_sine = term.ps + term.pst * t, eps_cosine = term.ec + term.ect * t;
        dpsi += psi_sine * angle.s + term.pc * angle.c;
        deps += term.es * angle.s + eps_cosine * angle.c;
        const double w = TERM_RATES_ARCSEC_PER_CENTURY[i] * ARCSEC_TO_RAD;
        dpsi_rate += term.pst * angle.s + (psi_sine * angle.c - term.pc * angle.s) * w;
        deps_rate += term.ect * angle.c + (term.es * angle.c - eps_cosine * angle.s) * w;
    }
    constexpr double PER_DAY = TENTH_MICROARCSEC_TO_RAD / DAYS_PER_JULIAN_CENTURY;
    return {dpsi * TENTH_MICROARCSEC_TO_RAD + LONGITUDE_OFFSET_RAD, deps * TENTH_MICROARCSEC_TO_RAD + OBLIQUITY_OFFSET_RAD,
            dpsi_rate * PER_DAY, deps_rate * PER_DAY};
}

}  // namespace orvane
