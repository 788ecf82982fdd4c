// IAU 2000A nutation, the full series, and its IAU 2006 adjustment.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "core/constants.hpp"
#include "core/frames/fundamental_arguments.hpp"
#include "core/frames/nutation.hpp"
#include "core/frames/precession.hpp"

namespace orvane {

namespace {

struct LuniSolarTerm {
    // 0.1 microarcsecond; the rates per Julian century.
    double ps, pst, pc, ec, ect, es;
    // Multipliers of l, l', F, D, Ω.
    std::int32_t nl, nlp, nf, nd, nom;
};

struct PlanetaryTerm {
    // 0.1 microarcsecond.
    double sp, cp, se, ce;
    // Multipliers of l, F, D, Ω, the mean longitudes of Mercury to Neptune and
    // the general accumulated precession in longitude.
    std::int32_t n[13];
};

constexpr std::array<LuniSolarTerm, 678> LUNI_SOLAR{{
#define ORVANE_NUTATION_2000A_LUNI_SOLAR
#include "core/frames/nutation_2000a_table.inc"
#undef ORVANE_NUTATION_2000A_LUNI_SOLAR
}};

constexpr std::array<PlanetaryTerm, 687> PLANETARY{{
#define ORVANE_NUTATION_2000A_PLANETARY
#include "core/frames/nutation_2000a_table.inc"
#undef ORVANE_NUTATION_2000A_PLANETARY
}};

constexpr double TURN_ARCSEC = 1296000.0;
constexpr double TENTH_MICROARCSEC_TO_RAD = ARCSEC_TO_RAD / 1e7;

// An argument and its rate, radians and radians per Julian century.
struct Argument {
    double angle = 0.0, rate = 0.0;
};

// A polynomial in T (arcseconds, lowest power first) reduced by a turn as
// ERFA does (fmod, then to radians), with its derivative.
Argument polynomial_arcsec(const double (&c)[5], double t) {
    const double value = c[0] + t * (c[1] + t * (c[2] + t * (c[3] + t * c[4])));
    const double rate = c[1] + t * (2.0 * c[2] + t * (3.0 * c[3] + t * 4.0 * c[4]));
    return {std::fmod(value, TURN_ARCSEC) * ARCSEC_TO_RAD, rate * ARCSEC_TO_RAD};
}

// a + b T radians reduced by a turn.
Argument linear_rad(double a, double b, double t) { return {std::fmod(a + b * t, TWO_PI), b}; }

// The fundamental arguments of the IERS Conventions 2003 (ERFA fal03, faf03,
// faom03; l' and D as nut00a takes them from MHB2000).
constexpr const double (&MOON_ANOMALY)[5] = IERS2003_MOON_ANOMALY;
constexpr double SUN_ANOMALY[5] = {1287104.79305, 129596581.0481, -0.5532, 0.000136, -0.00001149};
constexpr const double (&MOON_LATITUDE)[5] = IERS2003_MOON_LATITUDE;
constexpr double MOON_ELONGATION[5] = {1072260.70369, 1602961601.2090, -6.3706, 0.006593, -0.00003169};
constexpr const double (&MOON_NODE)[5] = IERS2003_MOON_NODE;

struct Sums {
    double dpsi = 0.0, deps = 0.0, dpsi_rate = 0.0, deps_rate = 0.0;  // 0.1 µas, per century
};

// e^{iθ} as cosine and sine, with the rate of θ (radians per century).
struct Phase {
    double c = 1.0, s = 0.0, rate = 0.0;
};

constexpr Phase times(const Phase& a, const Phase& b) {
    return {a.c * b.c - a.s * b.s, a.c * b.s + a.s * b.c, a.rate + b.rate};
}

// The non-zero multipliers of one term, as places in a table of the powers
// e^{i m a} of the arguments (argument k, multiple m at k * SPAN + m + MAX).
struct Factors {
    std::uint8_t count = 0;
    std::array<std::uint16_t, 13> place{};
};

template <std::size_t N>
constexpr int largest_multiple(const std::int32_t (&n)[N]) {
    int largest = 0;
    for (std::size_t k = 0; k < N; ++k) largest = std::max(largest, n[k] < 0 ? -n[k] : n[k]);
    return largest;
}

constexpr int LUNI_SOLAR_MAX = [] {
    int largest = 0;
    for (const LuniSolarTerm& term : LUNI_SOLAR) {
        const std::int32_t n[5] = {term.nl, term.nlp, term.nf, term.nd, term.nom};
        largest = std::max(largest, largest_multiple(n));
    }
    return largest;
}();

constexpr int PLANETARY_MAX = [] {
    int largest = 0;
    for (const PlanetaryTerm& term : PLANETARY) largest = std::max(largest, largest_multiple(term.n));
    return largest;
}();

template <std::size_t N>
constexpr Factors factors_of(const std::int32_t (&n)[N], int max) {
    Factors f;
    for (std::size_t k = 0; k < N; ++k) {
        if (n[k] != 0) f.place[f.count++] = static_cast<std::uint16_t>(k * (2 * max + 1) + n[k] + max);
    }
    return f;
}

constexpr std::array<Factors, LUNI_SOLAR.size()> LUNI_SOLAR_FACTORS = [] {
    std::array<Factors, LUNI_SOLAR.size()> out{};
    for (std::size_t i = 0; i < LUNI_SOLAR.size(); ++i) {
        const LuniSolarTerm& term = LUNI_SOLAR[i];
        const std::int32_t n[5] = {term.nl, term.nlp, term.nf, term.nd, term.nom};
        out[i] = factors_of(n, LUNI_SOLAR_MAX);
    }
    return out;
}();

constexpr std::array<Factors, PLANETARY.size()> PLANETARY_FACTORS = [] {
    std::array<Factors, PLANETARY.size()> out{};
    for (std::size_t i = 0; i < PLANETARY.size(); ++i) out[i] = factors_of(PLANETARY[i].n, PLANETARY_MAX);
    return out;
}();

// e^{i m a} of each argument for m from -max to max, by products of e^{ia}
// (the negative multiples the conjugates), argument-major, with m times the
// argument's rate.
template <std::size_t N, int MAX>
std::array<Phase, N * (2 * MAX + 1)> powers_of(const Argument (&a)[N]) {
    std::array<Phase, N * (2 * MAX + 1)> out;
    for (std::size_t k = 0; k < N; ++k) {
        Phase* row = &out[k * (2 * MAX + 1) + MAX];
        const Phase once{std::cos(a[k].angle), std::sin(a[k].angle), a[k].rate};
        row[0] = Phase{};
        for (int m = 1; m <= MAX; ++m) {
            row[m] = times(row[m - 1], once);
            row[-m] = Phase{row[m].c, -row[m].s, -row[m].rate};
        }
    }
    return out;
}

// The term's e^{iθ}, θ = Σ n_k a_k, as the product of its factors, and the
// rate of θ.
template <std::size_t SIZE>
Phase phase_of(const Factors& f, const std::array<Phase, SIZE>& powers) {
    Phase z = powers[f.place[0]];
    for (std::uint8_t k = 1; k < f.count; ++k) z = times(z, powers[f.place[k]]);
    return z;
}

// The sines and cosines of the term arguments come from products of the
// powers of e^{i a} of the fundamental arguments (at most six factors a
// term), not from a sine and a cosine each.
Sums luni_solar(double t) {
    const Argument a[5] = {polynomial_arcsec(MOON_ANOMALY, t), polynomial_arcsec(SUN_ANOMALY, t),
                           polynomial_arcsec(MOON_LATITUDE, t), polynomial_arcsec(MOON_ELONGATION, t),
                           polynomial_arcsec(MOON_NODE, t)};
    const auto powers = powers_of<5, LUNI_SOLAR_MAX>(a);
    Sums s;
    for (std::size_t i = LUNI_SOLAR.size(); i-- > 0;) {
        const LuniSolarTerm& term = LUNI_SOLAR[i];
        const Phase z = phase_of(LUNI_SOLAR_FACTORS[i], powers);
        const double sa = z.s, ca = z.c, w = z.rate;
        const double psi_sine = term.ps + term.pst * t, eps_cosine = term.ec + term.ect * t;
        s.dpsi += psi_sine * sa + term.pc * ca;
        s.deps += eps_cosine * ca + term.es * sa;
        s.dpsi_rate += term.pst * sa + (psi_sine * ca - term.pc * sa) * w;
        s.deps_rate += term.ect * ca + (term.es * ca - eps_cosine * sa) * w;
    }
    return s;
}

Sums planetary(double t) {
    // The arguments as nut00a takes them: l, F, D, Ω linear (MHB2000), the
    // planets' mean longitudes of ERFA fame03 to faur03, Neptune's from
    // MHB2000, and the general precession of ERFA fapa03.
    const Argument a[13] = {
        linear_rad(2.35555598, 8328.6914269554, t),
        linear_rad(1.627905234, 8433.466158131, t),
        linear_rad(5.198466741, 7771.3771468121, t),
        linear_rad(2.18243920, -33.757045, t),
        linear_rad(4.402608842, 2608.7903141574, t),
        linear_rad(3.176146697, 1021.3285546211, t),
        linear_rad(1.753470314, 628.3075849991, t),
        linear_rad(6.203480913, 334.0612426700, t),
        linear_rad(0.599546497, 52.9690962641, t),
        linear_rad(0.874016757, 21.3299104960, t),
        linear_rad(5.481293872, 7.4781598567, t),
        linear_rad(5.321159000, 3.8127774000, t),
        {(0.024381750 + 0.00000538691 * t) * t, 0.024381750 + 2.0 * 0.00000538691 * t},
    };
    const auto powers = powers_of<13, PLANETARY_MAX>(a);
    Sums s;
    for (std::size_t i = PLANETARY.size(); i-- > 0;) {
        const PlanetaryTerm& term = PLANETARY[i];
        const Phase z = phase_of(PLANETARY_FACTORS[i], powers);
        const double sa = z.s, ca = z.c, w = z.rate;
        s.dpsi += term.sp * sa + term.cp * ca;
        s.deps += term.se * sa + term.ce * ca;
        s.dpsi_rate += (term.sp * ca - term.cp * sa) * w;
        s.deps_rate += (term.se * ca - term.ce * sa) * w;
    }
    return s;
}

}  // namespace

// After ERFA nut00a (IERS Conventions 2003, Mathews, Herring & Buffett 2002):
// the luni-solar and planetary series summed separately, from the last term
// to the first; the rates are the series differentiated term by term.
Nutation nutation_iau2000a(double tt_julian_day) {
    const double t = julian_centuries_since_j2000(tt_julian_day);
    const Sums ls = luni_solar(t), pl = planetary(t);
    constexpr double PER_DAY = TENTH_MICROARCSEC_TO_RAD / DAYS_PER_JULIAN_CENTURY;
    return {ls.dpsi * TENTH_MICROARCSEC_TO_RAD + pl.dpsi * TENTH_MICROARCSEC_TO_RAD,
            ls.deps * TENTH_MICROARCSEC_TO_RAD + pl.deps * TENTH_MICROARCSEC_TO_RAD,
            (ls.dpsi_rate + pl.dpsi_rate) * PER_DAY, (ls.deps_rate + pl.deps_rate) * PER_DAY};
}

// After ERFA nut06a: the 2000A series scaled for the IAU 2006 precession, the
// secular change of J2 and the 2000A value of the obliquity rate (Wallace &
// Capitaine 2006).
Nutation nutation_iau2006a(double tt_julian_day) {
    const double t = julian_centuries_since_j2000(tt_julian_day);
    constexpr double J2_RATE = -2.7774e-6;  // per Julian century
    const double fj2 = J2_RATE * t;
    const Nutation n = nutation_iau2000a(tt_julian_day);
    constexpr double J2_RATE_PER_DAY = J2_RATE / DAYS_PER_JULIAN_CENTURY;
    const double psi_scale = 1.0 + 0.4697e-6 + fj2, eps_scale = 1.0 + fj2;
    return {n.longitude_rad * psi_scale, n.obliquity_rad * eps_scale,
            n.longitude_rate_rad_per_day * psi_scale + n.longitude_rad * J2_RATE_PER_DAY,
            n.obliquity_rate_rad_per_day * eps_scale + n.obliquity_rad * J2_RATE_PER_DAY};
}

}  // namespace orvane
