#include "core/frames/nutation.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/constants.hpp"
#include "core/frames/fundamental_arguments.hpp"
#include "core/fused_multiply_add.hpp"
#include "core/lane_sine_cosine.hpp"
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

// NUTATION_LANES values operated on together: every step acts on each lane
// alone, so a value does not depend on its lane or on its neighbours.
constexpr std::size_t LANES = NUTATION_LANES;
using Lanes = double __attribute__((vector_size(LANES * sizeof(double))));
using LaneMask = std::int64_t __attribute__((vector_size(LANES * sizeof(double))));

// sin and cos of an angle: V is a double (one instant) or Lanes (one instant
// a lane). The steps are the same for both, operation by operation.
template <class V>
struct Turn {
    V s, c;
};

// The angle of a sum from the angles of its terms.
template <class V>
[[gnu::always_inline]] inline Turn<V> add(const Turn<V>& a, const Turn<V>& b) {
    return {a.s * b.c + a.c * b.s, a.c * b.c - a.s * b.s};
}

// Sines and cosines of the multiples of the five arguments: of each argument
// itself once, the others by the angle-addition formulas.
template <class V>
struct MultiplesTable {
    Turn<V> m[5][MULTIPLES];

    [[gnu::always_inline]] explicit MultiplesTable(const Turn<V> (&arguments)[5]) {
        for (int a = 0; a < 5; ++a) {
            Turn<V>* ma = m[a] - LOWEST_MULTIPLE;  // ma[k] for k in -2..4
            const V s1 = arguments[a].s, c1 = arguments[a].c;
            ma[0] = {V{}, V{} + 1.0};
            ma[1] = {s1, c1};
            ma[2] = {2.0 * s1 * c1, 1.0 - 2.0 * s1 * s1};
            for (int k = 3; k <= HIGHEST_MULTIPLE; ++k) ma[k] = add(ma[k - 1], ma[1]);
            for (int k = 1; k <= -LOWEST_MULTIPLE; ++k) ma[-k] = {-ma[k].s, ma[k].c};
        }
    }

    const Turn<V>& of(int argument, std::int32_t multiple) const { return m[argument][multiple - LOWEST_MULTIPLE]; }
};

// The angles of the parts, from the multiples of their arguments.
template <class V>
[[gnu::always_inline]] inline void part_angles(const Parts& parts, const MultiplesTable<V>& table, int first_argument,
                                               int arguments, V* sines, V* cosines) {
    for (std::size_t p = 0; p < parts.count; ++p) {
        Turn<V> angle = table.of(first_argument, parts.multiples[p][0]);
        for (int k = 1; k < arguments; ++k) angle = add(angle, table.of(first_argument + k, parts.multiples[p][k]));
        sines[p] = angle.s;
        cosines[p] = angle.c;
    }
}

// The terms are added in SUMS interleaved partial sums (term i into sum
// i mod SUMS), which are then added in one fixed order; the series is padded
// with zero terms to a whole number of them.
constexpr std::size_t SUMS = 4;
constexpr std::size_t PADDED = (TERMS.size() + SUMS - 1) / SUMS * SUMS;

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

// One term's share of the four sums at angle (s, c): V is the type of the
// sums (Lanes of SUMS terms for one instant, or of one term at LANES
// instants), C that of the coefficients (Lanes of SUMS terms, or one term's
// doubles).
template <class V, class C>
[[gnu::always_inline]] inline void add_term(V& dpsi, V& deps, V& dpsi_rate, V& deps_rate, const V& s, const V& c,
                                            const V& t, const C& ps, const C& pst, const C& pc, const C& ec,
                                            const C& ect, const C& es, const C& w, const C& psi_rate_sine,
                                            const C& eps_rate_cosine) {
    const V psi_sine = ps + pst * t, eps_cosine = ec + ect * t;
    dpsi += psi_sine * s + pc * c;
    deps += es * s + eps_cosine * c;
    dpsi_rate += psi_rate_sine * s + w * psi_sine * c;
    deps_rate += eps_rate_cosine * c - w * eps_cosine * s;
}

// The same share of the angles' two sums alone, by the same operations.
template <class V, class C>
[[gnu::always_inline]] inline void add_angle_term(V& dpsi, V& deps, const V& s, const V& c, const V& t, const C& ps,
                                                  const C& pst, const C& pc, const C& ec, const C& ect, const C& es) {
    const V psi_sine = ps + pst * t, eps_cosine = ec + ect * t;
    dpsi += psi_sine * s + pc * c;
    deps += es * s + eps_cosine * c;
}

// Lanes from a column, terms i to i + SUMS - 1.
struct Loaded {
    Lanes lanes;
    [[gnu::always_inline]] Loaded(const double* column, std::size_t i) { std::memcpy(&lanes, column + i, sizeof lanes); }
};

// The partial sums added in one order: lanes (0 + 1) + (2 + 3).
template <class V>
struct InOrder {
    V total;
    [[gnu::always_inline]] InOrder(const V& s0, const V& s1, const V& s2, const V& s3) : total((s0 + s1) + (s2 + s3)) {}
};

constexpr double PER_DAY = TENTH_MICROARCSEC_TO_RAD / DAYS_PER_JULIAN_CENTURY;

// The five arguments' sines and cosines at an instant's T, into lane `lane`
// of the five values handed to lane_sine_cosine.
void arguments_at(double t, std::size_t lane, Lanes (&values)[5]) {
    const DelaunayArguments delaunay = delaunay_arguments_iau2000b(t);
    values[0][lane] = delaunay.l, values[1][lane] = delaunay.l_prime, values[2][lane] = delaunay.f;
    values[3][lane] = delaunay.d, values[4][lane] = delaunay.omega;
}

// After ERFA nut00b (IERS Conventions 2003, McCarthy & Luzum 2003): the same
// series and fundamental arguments; each term's sine and cosine come from
// products of the arguments' multiples (its part in l, l' times its part in
// F, D, Ω) instead of a sine and a cosine per term, those of the five
// arguments from lane_sine_cosine, and the terms are added in four
// interleaved partial sums rather than one after another, which changes Δψ
// and Δε by a few 1e-20 rad at most. One instant runs its terms four to a
// vector; nutation_iau2000b_lanes runs four instants a vector, each through
// the same operations in the same order, so both give the same bits.
// WITH_RATES adds the rates' sums beside the angles' without touching these,
// so the angles are the same bits with or without them.
template <bool WITH_RATES>
[[gnu::always_inline]] inline Nutation nutation_iau2000b_one(double tt_julian_day) {
    const double t = julian_centuries_since_j2000(tt_julian_day);
    // The five arguments in the lanes of two vectors, each lane alone.
    Lanes values[5] = {};
    arguments_at(t, 0, values);
    Lanes first{values[0][0], values[1][0], values[2][0], values[3][0]}, second{values[4][0]};
    Lanes first_sine, first_cosine, second_sine, second_cosine;
    lane_sine_cosine<Lanes, LaneMask>(first, first_sine, first_cosine);
    lane_sine_cosine<Lanes, LaneMask>(second, second_sine, second_cosine);
    const Turn<double> arguments[5] = {{first_sine[0], first_cosine[0]},
                                       {first_sine[1], first_cosine[1]},
                                       {first_sine[2], first_cosine[2]},
                                       {first_sine[3], first_cosine[3]},
                                       {second_sine[0], second_cosine[0]}};
    const MultiplesTable<double> table(arguments);
    double anomaly_sines[Parts::MOST], anomaly_cosines[Parts::MOST];
    double other_sines[Parts::MOST], other_cosines[Parts::MOST];
    part_angles(LUNAR_ANOMALY_PARTS, table, 0, 2, anomaly_sines, anomaly_cosines);
    part_angles(ARGUMENT_PARTS, table, 2, 3, other_sines, other_cosines);

    // Four terms' angles to a vector, each lane the angle addition of
    // nutation_iau2000b_lanes; the padding terms have zero coefficients.
    Lanes dpsi{}, deps{}, dpsi_rate{}, deps_rate{};  // rates per century
    const Lanes t_lanes = Lanes{} + t;
    const Columns& k = COLUMNS;
    for (std::size_t i = 0; i < PADDED; i += SUMS) {
        const std::uint8_t* a = k.anomaly_part + i;
        const std::uint8_t* b = k.argument_part + i;
        const Turn<Lanes> anomaly{
            Lanes{anomaly_sines[a[0]], anomaly_sines[a[1]], anomaly_sines[a[2]], anomaly_sines[a[3]]},
            Lanes{anomaly_cosines[a[0]], anomaly_cosines[a[1]], anomaly_cosines[a[2]], anomaly_cosines[a[3]]}};
        const Turn<Lanes> other{
            Lanes{other_sines[b[0]], other_sines[b[1]], other_sines[b[2]], other_sines[b[3]]},
            Lanes{other_cosines[b[0]], other_cosines[b[1]], other_cosines[b[2]], other_cosines[b[3]]}};
        const Turn<Lanes> angle = add(anomaly, other);
        const Lanes s = angle.s, c = angle.c;
        if constexpr (WITH_RATES) {
            add_term(dpsi, deps, dpsi_rate, deps_rate, s, c, t_lanes, Loaded(k.ps, i).lanes, Loaded(k.pst, i).lanes,
                     Loaded(k.pc, i).lanes, Loaded(k.ec, i).lanes, Loaded(k.ect, i).lanes, Loaded(k.es, i).lanes,
                     Loaded(k.w, i).lanes, Loaded(k.psi_rate_sine, i).lanes, Loaded(k.eps_rate_cosine, i).lanes);
        } else {
            add_angle_term(dpsi, deps, s, c, t_lanes, Loaded(k.ps, i).lanes, Loaded(k.pst, i).lanes,
                           Loaded(k.pc, i).lanes, Loaded(k.ec, i).lanes, Loaded(k.ect, i).lanes,
                           Loaded(k.es, i).lanes);
        }
    }
    Nutation out;
    out.longitude_rad =
        InOrder(dpsi[0], dpsi[1], dpsi[2], dpsi[3]).total * TENTH_MICROARCSEC_TO_RAD + LONGITUDE_OFFSET_RAD;
    out.obliquity_rad =
        InOrder(deps[0], deps[1], deps[2], deps[3]).total * TENTH_MICROARCSEC_TO_RAD + OBLIQUITY_OFFSET_RAD;
    if constexpr (WITH_RATES) {
        out.longitude_rate_rad_per_day = InOrder(dpsi_rate[0], dpsi_rate[1], dpsi_rate[2], dpsi_rate[3]).total * PER_DAY;
        out.obliquity_rate_rad_per_day = InOrder(deps_rate[0], deps_rate[1], deps_rate[2], deps_rate[3]).total * PER_DAY;
    }
    return out;
}

}  // namespace

// The vectoriser is kept off the single instant's scalar steps: it would
// fuse the angle additions' products and sums (fmaddsub), which the lanes do
// not.
ORVANE_FMA_CLONES [[gnu::optimize("no-tree-slp-vectorize")]] Nutation nutation_iau2000b(double tt_julian_day) {
    return nutation_iau2000b_one<true>(tt_julian_day);
}

ORVANE_FMA_CLONES [[gnu::optimize("no-tree-slp-vectorize")]] Nutation nutation_iau2000b_angles(double tt_julian_day) {
    return nutation_iau2000b_one<false>(tt_julian_day);
}

ORVANE_FMA_CLONES void nutation_iau2000b_lanes(const double* tt_julian_days, std::size_t count, Nutation* out) {
    Lanes t{}, values[5] = {};
    for (std::size_t j = 0; j < LANES; ++j) {
        // Unused lanes repeat the first instant.
        t[j] = julian_centuries_since_j2000(tt_julian_days[j < count ? j : 0]);
        arguments_at(t[j], j, values);
    }
    Turn<Lanes> arguments[5];
    for (int a = 0; a < 5; ++a) lane_sine_cosine<Lanes, LaneMask>(values[a], arguments[a].s, arguments[a].c);
    const MultiplesTable<Lanes> table(arguments);
    Lanes anomaly_sines[Parts::MOST], anomaly_cosines[Parts::MOST];
    Lanes other_sines[Parts::MOST], other_cosines[Parts::MOST];
    part_angles(LUNAR_ANOMALY_PARTS, table, 0, 2, anomaly_sines, anomaly_cosines);
    part_angles(ARGUMENT_PARTS, table, 2, 3, other_sines, other_cosines);

    Lanes dpsi[SUMS] = {}, deps[SUMS] = {}, dpsi_rate[SUMS] = {}, deps_rate[SUMS] = {};  // rates per century
    const Columns& k = COLUMNS;
    for (std::size_t i = 0; i < PADDED; i += SUMS) {
        for (std::size_t j = 0; j < SUMS; ++j) {
            const std::size_t n = i + j;
            const std::uint8_t a = k.anomaly_part[n], b = k.argument_part[n];
            const Turn<Lanes> angle = add(Turn<Lanes>{anomaly_sines[a], anomaly_cosines[a]},
                                          Turn<Lanes>{other_sines[b], other_cosines[b]});
            add_term(dpsi[j], deps[j], dpsi_rate[j], deps_rate[j], angle.s, angle.c, t, k.ps[n], k.pst[n], k.pc[n],
                     k.ec[n], k.ect[n], k.es[n], k.w[n], k.psi_rate_sine[n], k.eps_rate_cosine[n]);
        }
    }
    const Lanes longitude =
        InOrder(dpsi[0], dpsi[1], dpsi[2], dpsi[3]).total * TENTH_MICROARCSEC_TO_RAD + LONGITUDE_OFFSET_RAD;
    const Lanes obliquity =
        InOrder(deps[0], deps[1], deps[2], deps[3]).total * TENTH_MICROARCSEC_TO_RAD + OBLIQUITY_OFFSET_RAD;
    const Lanes longitude_rate = InOrder(dpsi_rate[0], dpsi_rate[1], dpsi_rate[2], dpsi_rate[3]).total * PER_DAY;
    const Lanes obliquity_rate = InOrder(deps_rate[0], deps_rate[1], deps_rate[2], deps_rate[3]).total * PER_DAY;
    for (std::size_t j = 0; j < count && j < LANES; ++j) {
        out[j] = {longitude[j], obliquity[j], longitude_rate[j], obliquity_rate[j]};
    }
}

}  // namespace orvane
