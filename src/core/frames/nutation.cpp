#include "core/frames/nutation.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/constants.hpp"
#include "core/frames/fundamental_arguments.hpp"
#include "core/fused_multiply_add.hpp"
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

// The series as columns, each padded with zero terms to a whole number of
// lanes: the sums below run over LANES independent partial sums, which the
// compiler keeps in vector registers, and add them in one fixed order.
constexpr std::size_t LANES = 4;
constexpr std::size_t PADDED = (TERMS.size() + LANES - 1) / LANES * LANES;

// Δψ = Σ (ps + pst T) sin A + pc cos A and Δε = Σ es sin A + (ec + ect T) cos A
// over the terms' angles A; differentiated in T with Ȧ = w, the term's rate
// (its multipliers times the rates of l, l', F, D and Ω, the linear
// coefficients of delaunay_arguments_iau2000b), in radians per century:
// dΔψ/dT = Σ (pst - w pc) sin A + w (ps + pst T) cos A and
// dΔε/dT = Σ (ect + w es) cos A - w (ec + ect T) sin A.
struct Columns {
    double ps[PADDED] = {}, pst[PADDED] = {}, pc[PADDED] = {};
    double ec[PADDED] = {}, ect[PADDED] = {}, es[PADDED] = {};
    double w[PADDED] = {};
    double psi_rate_sine[PADDED] = {};    // pst - w pc
    double eps_rate_cosine[PADDED] = {};  // ect + w es
    std::uint8_t anomaly_part[PADDED] = {}, argument_part[PADDED] = {};
};

constexpr Columns columns() {
    constexpr double RATES[5] = {1717915923.2178, 129596581.0481, 1739527262.8478, 1602961601.209, -6962890.5431};
    Columns out;
    for (std::size_t i = 0; i < TERMS.size(); ++i) {
        const NutationTerm& t = TERMS[i];
        const double w =
            (t.nl * RATES[0] + t.nlp * RATES[1] + t.nf * RATES[2] + t.nd * RATES[3] + t.nom * RATES[4]) * ARCSEC_TO_RAD;
        out.ps[i] = t.ps, out.pst[i] = t.pst, out.pc[i] = t.pc;
        out.ec[i] = t.ec, out.ect[i] = t.ect, out.es[i] = t.es;
        out.w[i] = w;
        out.psi_rate_sine[i] = t.pst - w * t.pc;
        out.eps_rate_cosine[i] = t.ect + w * t.es;
        out.anomaly_part[i] = LUNAR_ANOMALY_PARTS.of_term[i];
        out.argument_part[i] = ARGUMENT_PARTS.of_term[i];
    }
    return out;
}
constexpr Columns COLUMNS = columns();

// LANES neighbouring terms' values, operated on together.
using Lanes = double __attribute__((vector_size(LANES * sizeof(double))));

// Lanes from a column, terms i to i + LANES - 1.
void load(Lanes& out, const double* column, std::size_t i) { std::memcpy(&out, column + i, sizeof out); }

// The sum of the lanes, in one order.
double lanes_sum(const Lanes& lanes) { return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]); }

}  // namespace

// After ERFA nut00b (IERS Conventions 2003, McCarthy & Luzum 2003): the same
// series and fundamental arguments; each term's sine and cosine come from
// products of the arguments' multiples (its part in l, l' times its part in
// F, D, Ω) instead of a sine and a cosine per term, and the terms are added in
// four interleaved partial sums rather than one after another, which changes
// Δψ and Δε by a few 1e-20 rad at most.
ORVANE_FMA_CLONES Nutation nutation_iau2000b(double tt_julian_day) {
    const double t = julian_centuries_since_j2000(tt_julian_day);
    const DelaunayArguments delaunay = delaunay_arguments_iau2000b(t);
    const double arguments[5] = {delaunay.l, delaunay.l_prime, delaunay.f, delaunay.d, delaunay.omega};
    const MultiplesTable table(arguments);
    Turn anomalies[Parts::MOST], others[Parts::MOST];
    part_angles(LUNAR_ANOMALY_PARTS, table, 0, 2, anomalies);
    part_angles(ARGUMENT_PARTS, table, 2, 3, others);

    // Each term's angle; the padding terms have zero coefficients.
    double sine[PADDED], cosine[PADDED];
    for (std::size_t i = 0; i < PADDED; ++i) {
        const Turn angle = add(anomalies[COLUMNS.anomaly_part[i]], others[COLUMNS.argument_part[i]]);
        sine[i] = angle.s;
        cosine[i] = angle.c;
    }
    Lanes dpsi{}, deps{}, dpsi_rate{}, deps_rate{};  // rates per century
    const Columns& k = COLUMNS;
    for (std::size_t i = 0; i < PADDED; i += LANES) {
        Lanes s, c, ps, pst, pc, ec, ect, es, w, psi_rate_sine, eps_rate_cosine;
        load(s, sine, i), load(c, cosine, i);
        load(ps, k.ps, i), load(pst, k.pst, i), load(pc, k.pc, i);
        load(ec, k.ec, i), load(ect, k.ect, i), load(es, k.es, i);
        load(w, k.w, i), load(psi_rate_sine, k.psi_rate_sine, i), load(eps_rate_cosine, k.eps_rate_cosine, i);
        const Lanes psi_sine = ps + pst * t, eps_cosine = ec + ect * t;
        dpsi += psi_sine * s + pc * c;
        deps += es * s + eps_cosine * c;
        dpsi_rate += psi_rate_sine * s + w * psi_sine * c;
        deps_rate += eps_rate_cosine * c - w * eps_cosine * s;
    }
    constexpr double PER_DAY = TENTH_MICROARCSEC_TO_RAD / DAYS_PER_JULIAN_CENTURY;
    return {lanes_sum(dpsi) * TENTH_MICROARCSEC_TO_RAD + LONGITUDE_OFFSET_RAD,
            lanes_sum(deps) * TENTH_MICROARCSEC_TO_RAD + OBLIQUITY_OFFSET_RAD, lanes_sum(dpsi_rate) * PER_DAY,
            lanes_sum(deps_rate) * PER_DAY};
}

}  // namespace orvane
