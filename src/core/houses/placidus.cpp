// The Placidus house system.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

#include "core/angles.hpp"
#include "core/fused_multiply_add.hpp"
#include "core/houses/house_systems.hpp"
#include "core/lane_arc_tangent.hpp"

namespace orvane {

namespace {

constexpr double PI = std::numbers::pi;
constexpr int PLACIDUS_MAX_ROUNDS = 100;
constexpr double PLACIDUS_TOLERANCE_RAD = 1e-12;
constexpr double PLACIDUS_LAST_STEP_RAD = 1e-6;
// The error the semi-arc iteration leaves in a cusp, as its estimate of the
// last step's error gives it (rounding aside, which grows to a few 1e-12 rad
// within 1e-7 of the polar circles, where a cusp's semi-arc shrinks to nothing).
constexpr double PLACIDUS_ERROR_RAD = 1e-13;

enum class PlacidusCusp { Eleventh, Twelfth, Second, Third };

// Right ascension of a Placidus cusp from the semi-diurnal arc D of its point.
double placidus_right_ascension(PlacidusCusp cusp, double ramc, double d) {
    switch (cusp) {
        case PlacidusCusp::Eleventh: return ramc + d / 3.0;
        case PlacidusCusp::Twelfth: return ramc + (d + d) / 3.0;
        case PlacidusCusp::Second: return (ramc + PI) + ((PI - d) * 2.0) / -3.0;
        case PlacidusCusp::Third: return (ramc + PI) + (PI - d) / -3.0;
    }
    return ramc;
}

// Inside the polar circles: the ecliptic longitude of one Placidus cusp by
// iterating on the declination of the ecliptic point; nothing when the point
// has no semi-arc, the iteration degenerates or it does not converge. The sine
// and cosine of the declination carry from one round to the next:
// sin λ = sin α / √(sin² α + (cos α cos ε)²) and sin δ = sin λ sin ε, so a
// round costs an arc cosine and the sine and cosine of α. The iteration stops
// when the declination moves by less than the tolerance, measured on its sine
// (the change in sin δ over cos δ, which the ecliptic keeps above cos ε).
std::optional<double> placidus_cusp_polar(PlacidusCusp cusp, const HouseSky& sky) {
    double sin_delta = 0.0, cos_delta = 1.0;
    for (int round = 0; round < PLACIDUS_MAX_ROUNDS; ++round) {
        const double k = cos_delta * sky.cos_phi;
        if (std::abs(k) < 1e-18) return std::nullopt;
        const double x = sin_delta * -sky.sin_phi / k;
        if (std::abs(x) > 1.0) return std::nullopt;
        const double alpha = placidus_right_ascension(cusp, sky.ramc, std::acos(x));
        const double sin_alpha = std::sin(alpha), y = std::cos(alpha) * sky.cos_eps;
        const double next = sin_alpha / std::sqrt(sin_alpha * sin_alpha + y * y) * sky.sin_eps;
        const bool converged = std::abs(next - sin_delta) < PLACIDUS_TOLERANCE_RAD * cos_delta;
        sin_delta = next;
        cos_delta = std::sqrt(1.0 - next * next);
        if (converged) return reduce_radians(std::atan2(sin_alpha, y));
    }
    return std::nullopt;
}

// The point opposite an angle in [0, 2π), in [0, 2π): half a circle added or
// taken away, without the remainder's loop (the subtraction is exact, the sum
// rounded once; where it rounds up to the full circle, 0).
double opposite_radians(double angle) {
    const double opposite = angle < PI ? angle + PI : angle - PI;
    return opposite < TWO_PI ? opposite : 0.0;
}

// Four values operated on together, one per cusp (11, 12, 2, 3).
using Lanes = double __attribute__((vector_size(4 * sizeof(double))));

// (Lanes pass by reference: no function here takes a vector by value.)
[[gnu::always_inline]] inline void absolute(const Lanes& x, Lanes& out) { out = x < 0.0 ? -x : x; }

[[gnu::always_inline]] inline double largest(const Lanes& x) {
    return std::max(std::max(x[0], x[1]), std::max(x[2], x[3]));
}

// The sine and cosine of an angle close to x (within 3e-6 rad up to 1 rad,
// 2e-10 rad up to 1/3), by the Taylor series to x^7 and x^8 scaled to a
// point of the unit circle: a turn by exactly that angle, and by x itself
// where |x| < 1/64 (the first term left out below 1e-20); the library's
// functions beyond 1 rad.
[[gnu::always_inline]] inline void turn_near(const Lanes& x, Lanes& sin_x, Lanes& cos_x) {
    Lanes size;
    absolute(x, size);
    const double most = largest(size);
    if (most > 1.0) {
        for (int i = 0; i < 4; ++i) sin_x[i] = std::sin(x[i]), cos_x[i] = std::cos(x[i]);
        return;
    }
    const Lanes x2 = x * x;
    sin_x = x * (1.0 - x2 / 6.0 * (1.0 - x2 / 20.0 * (1.0 - x2 / 42.0)));
    cos_x = 1.0 - x2 / 2.0 * (1.0 - x2 / 12.0 * (1.0 - x2 / 30.0 * (1.0 - x2 / 56.0)));
    if (most >= 1.0 / 64.0) {
        // 1/√(1 + e) to the second order in e = s² + c² - 1 (|e| < 6e-6):
        // the first term left out stays below 1e-16.
        const Lanes e = sin_x * sin_x + cos_x * cos_x - 1.0;
        const Lanes scale = 1.0 - e * (0.5 - 0.375 * e);
        sin_x *= scale, cos_x *= scale;
    }
}

// A cusp's right ascension is α = base + f D, D being the semi-diurnal arc of
// its point: base and f are ramc and 1/3 for cusp 11, ramc and 2/3 for cusp
// 12, ramc + 60° and 2/3 for cusp 2, ramc + 120° and 1/3 for cusp 3. The
// iterations start from D = 90°, α = ramc + a, a being 30°, 60°, 120° or
// 150°: the sine and cosine of a turn those of the RAMC into those of α.
struct CuspStart {
    double base, f, sin_alpha, cos_alpha;
};

CuspStart cusp_start(PlacidusCusp cusp, const HouseSky& sky) {
    constexpr double HALF_ROOT_3 = 0.8660254037844386;
    double base = sky.ramc, f = 1.0 / 3.0, sin_a = 0.5, cos_a = HALF_ROOT_3;
    switch (cusp) {
        case PlacidusCusp::Eleventh: break;
        case PlacidusCusp::Twelfth: f = 2.0 / 3.0, sin_a = HALF_ROOT_3, cos_a = 0.5; break;
        case PlacidusCusp::Second: base += PI / 3.0, f = 2.0 / 3.0, sin_a = HALF_ROOT_3, cos_a = -0.5; break;
        case PlacidusCusp::Third: base += 2.0 * PI / 3.0, cos_a = -HALF_ROOT_3; break;
    }
    return {base, f, sky.sin_ramc * cos_a + sky.cos_ramc * sin_a, sky.cos_ramc * cos_a - sky.sin_ramc * sin_a};
}

// Outside the polar circles (|k| < 1 for k = tan φ tan ε), where the
// iteration on the semi-arc below gives up: the right ascension α of a
// Placidus cusp solves g(α) = α - base - f D(α) = 0 (base and f as in
// cusp_start), where the point's semi-diurnal arc is D(α) = acos(-k sin α),
// since its declination has tan δ = tan ε sin α. Here g' = 1 - f k cos α / √(1 - k² sin² α) lies within 1 ± f|k|,
// so g rises monotonically through one root. Halley's method from D = 90°,
// with g'' = f k sin α (1 - k²) / (1 - k² sin² α)^(3/2), takes a Newton step
// instead where the curvature term g g'' / 2g'² reaches one half (near the
// solstitial points just outside the polar circles, where g'' grows without
// bound); the iteration stops on a step below 1e-6 rad, whose error the
// cubic convergence leaves below 1e-15 rad.
// The sine and cosine of the root come from those of the last iterate by
// the angle-subtraction series to the second order in the step.
std::optional<double> placidus_cusp_by_right_ascension(PlacidusCusp cusp, const HouseSky& sky, double k) {
    const CuspStart start = cusp_start(cusp, sky);
    const double base = start.base, f = start.f;
    const double fk = f * k, curvature = fk * (1.0 - k * k);
    double alpha = base + f * (PI / 2.0);
    double s = start.sin_alpha, c = start.cos_alpha;
    for (int round = 0; round < PLACIDUS_MAX_ROUNDS; ++round) {
        const double x = -k * s;
        const double w = 1.0 / std::sqrt(1.0 - x * x);
        const double g = alpha - base - f * std::acos(x);
        const double g1 = 1.0 - fk * c * w;
        const double halley = g * (curvature * s * w * w * w) / (2.0 * g1 * g1);
        const double step = std::abs(halley) < 0.5 ? g / (g1 * (1.0 - halley)) : g / g1;
        if (std::abs(step) < PLACIDUS_LAST_STEP_RAD) {
            const double half_square = 0.5 * step * step;
            const double sin_root = s - c * step - s * half_square, cos_root = c + s * step - c * half_square;
            return reduce_radians(std::atan2(sin_root, cos_root * sky.cos_eps));
        }
        alpha -= step;
        s = std::sin(alpha), c = std::cos(alpha);
    }
    return std::nullopt;
}

// Outside the polar circles, the same roots found on the semi-arc D itself,
// the four cusps together: h(D) = cos D + k sin β = 0 with β = base + f D
// (cos D = -k sin α defines the semi-arc), h' = -sin D + f k cos β and
// h'' = -cos D - f² k sin β. At a root h' = -sin D g' < 0 (g' as above), so
// the root is simple. Halley's method from D = 90° carries the sines and
// cosines of D and β, turning D by each step and β by f times it, both from
// the sine and cosine of a third of the step (a short series, so that a
// round costs no transcendental function). Where that sine and cosine are
// those of an angle near the third rather than of the third itself (large
// steps), D and β still turn together and the next round corrects the step;
// the steps of the last round are small enough to be exact. The four cusps'
// rounds are independent: side by side in vector lanes, their latencies
// overlap. The rounds stop once every cusp's last step was below 1e-6 rad
// (the cubic convergence leaves less than 1e-15 rad), or below 1e-3 rad with
// Halley's estimate of the error it leaves below PLACIDUS_ERROR_RAD: three
// rounds at most latitudes, where the first criterion alone takes four.
// Nothing where a D leaves (0°, 180°) or the rounds pass 12, for the
// iteration on the right ascension to take over.
ORVANE_FMA_CLONES std::optional<std::array<double, 4>> placidus_cusps_by_semi_arc(const HouseSky& sky, double k) {
    constexpr int ROUNDS = 12;
    constexpr PlacidusCusp CUSPS[4] = {PlacidusCusp::Eleventh, PlacidusCusp::Twelfth, PlacidusCusp::Second,
                                       PlacidusCusp::Third};
    Lanes f, sin_b, cos_b;
    for (int i = 0; i < 4; ++i) {
        const CuspStart start = cusp_start(CUSPS[i], sky);
        f[i] = start.f, sin_b[i] = start.sin_alpha, cos_b[i] = start.cos_alpha;
    }
    const Lanes fk = f * k, ffk = f * fk, fffk = f * ffk;
    Lanes sin_d = f * 0.0 + 1.0, cos_d = f * 0.0;
    for (int round = 0; round < ROUNDS; ++round) {
        const Lanes h = cos_d + k * sin_b;
        const Lanes h1 = fk * cos_b - sin_d;
        const Lanes h2 = -cos_d - ffk * sin_b;
        const Lanes h3 = sin_d - fffk * cos_b;
        // Halley's step h / (h' (1 - h h'' / 2h'^2)), Newton's h / h'
        // where the curvature term reaches one half.
        const Lanes curvature = h * h2;
        const Lanes twice_square = 2.0 * h1 * h1;
        Lanes size_of_curvature;
        absolute(curvature, size_of_curvature);
        const auto halley = size_of_curvature < 0.5 * twice_square;
        const Lanes step = 2.0 * h * h1 / (halley ? twice_square - curvature : twice_square);
        // Halley's error after the step: K e^3, e being the error before it
        // (the step, to first order), K = (h''/2h')^2 - h'''/6h' =
        // (3h''^2 - 2h' h''') / 12h'^2; both sides of the test times 12h'^2.
        const Lanes error_times = (3.0 * h2 * h2 - 2.0 * h1 * h3) * (step * step * step);
        const Lanes error_bound = PLACIDUS_ERROR_RAD * 6.0 * twice_square;
        // The turns by a third of the step, two thirds and the whole, from
        // one sine and cosine: D and β stay together wherever the turn is
        // not exactly by the step.
        Lanes sin_third, cos_third;
        const Lanes third = step / 3.0;
        turn_near(third, sin_third, cos_third);
        const Lanes sin_two = 2.0 * sin_third * cos_third, cos_two = cos_third * cos_third - sin_third * sin_third;
        const Lanes sin_step = sin_two * cos_third + cos_two * sin_third;
        const Lanes cos_step = cos_two * cos_third - sin_two * sin_third;
        const auto one_third = f < 0.5;
        const Lanes sin_f_step = one_third ? sin_third : sin_two, cos_f_step = one_third ? cos_third : cos_two;
        // D - step and β - f step.
        const Lanes next_sin_d = sin_d * cos_step - cos_d * sin_step;
        cos_d = cos_d * cos_step + sin_d * sin_step, sin_d = next_sin_d;
        const Lanes next_sin_b = sin_b * cos_f_step - cos_b * sin_f_step;
        cos_b = cos_b * cos_f_step + sin_b * sin_f_step, sin_b = next_sin_b;
        Lanes size, size_of_error;
        absolute(step, size), absolute(error_times, size_of_error);
        const auto done =
            (size < PLACIDUS_LAST_STEP_RAD) | (halley & (size < 1e-3) & (size_of_error < error_bound));
        const auto inside = sin_d > 0.0;
        bool converged = true;
        for (int i = 0; i < 4; ++i) {
            if (!inside[i]) return std::nullopt;
            converged = converged && done[i];
        }
        if (converged) {
            std::array<double, 4> out;
            Lanes longitude;
            lane_arc_tangent(sin_b, cos_b * sky.cos_eps, longitude);
            for (int i = 0; i < 4; ++i) out[i] = reduce_radians(longitude[i]);
            return out;
        }
    }
    return std::nullopt;
}

}  // namespace

// Placidus (Placidus de Titis, Primum mobile, 1657): the diurnal and
// nocturnal semi-arcs of each ecliptic point trisected in time; a cusp is the
// point that has covered its share of its own semi-arc. Undefined where a cusp
// has no semi-arc (inside the polar circles, for part of the day).
std::optional<HouseCuspsRad> placidus_cusps(const HouseSky& sky) {
    const double k = sky.sin_phi * sky.sin_eps / (sky.cos_phi * sky.cos_eps);
    std::optional<std::array<double, 4>> found = std::abs(k) < 1.0 ? placidus_cusps_by_semi_arc(sky, k) : std::nullopt;
    if (!found) {
        auto cusp = [&](PlacidusCusp which) {
            return std::abs(k) < 1.0 ? placidus_cusp_by_right_ascension(which, sky, k)
                                     : placidus_cusp_polar(which, sky);
        };
        const auto c11 = cusp(PlacidusCusp::Eleventh);
        const auto c12 = c11 ? cusp(PlacidusCusp::Twelfth) : std::nullopt;
        const auto c2 = c12 ? cusp(PlacidusCusp::Second) : std::nullopt;
        const auto c3 = c2 ? cusp(PlacidusCusp::Third) : std::nullopt;
        if (!c3) return std::nullopt;
        found = std::array<double, 4>{*c11, *c12, *c2, *c3};
    }
    const auto [c11, c12, c2, c3] = *found;
    return HouseCuspsRad{sky.asc,
                         c2,
                         c3,
                         reduce_radians(sky.mc + PI),
                         opposite_radians(c11),
                         opposite_radians(c12),
                         reduce_radians(sky.asc + PI),
                         opposite_radians(c2),
                         opposite_radians(c3),
                         sky.mc,
                         c11,
                         c12};
}

}  // namespace orvane
