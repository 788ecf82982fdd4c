// The Placidus house system.
#include <cmath>
#include <numbers>
#include <optional>

#include "core/angles.hpp"
#include "core/houses/house_systems.hpp"

namespace orvane {

namespace {

constexpr double PI = std::numbers::pi;
constexpr int PLACIDUS_MAX_ROUNDS = 100;
constexpr double PLACIDUS_TOLERANCE_RAD = 1e-12;
constexpr double PLACIDUS_LAST_STEP_RAD = 1e-6;

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

// Outside the polar circles (|k| < 1 for k = tan φ tan ε): the right ascension
// α of a Placidus cusp solves g(α) = α - base - f D(α) = 0, where the
// point's semi-diurnal arc is D(α) = acos(-k sin α), since its declination
// has tan δ = tan ε sin α; base and f are ramc and 1/3 for cusp 11, ramc and
// 2/3 for cusp 12, ramc + 60° and 2/3 for cusp 2, ramc + 120° and 1/3 for
// cusp 3. Here g' = 1 - f k cos α / √(1 - k² sin² α) lies within 1 ± f|k|,
// so g rises monotonically through one root. Halley's method from D = 90°,
// with g'' = f k sin α (1 - k²) / (1 - k² sin² α)^(3/2), takes a Newton step
// instead where the curvature term g g'' / 2g'² reaches one half (near the
// solstitial points just outside the polar circles, where g'' grows without
// bound); the iteration stops on a step below 1e-6 rad, whose error the
// cubic convergence leaves below 1e-15 rad.
// The sine and cosine of the root come from those of the last iterate by
// the angle-subtraction series to the second order in the step.
std::optional<double> placidus_cusp(PlacidusCusp cusp, const HouseSky& sky, double k) {
    constexpr double HALF_ROOT_3 = 0.8660254037844386;
    // The start (D = 90°) is ramc + a, a being 30°, 60°, 120° or 150°; the
    // sine and cosine of a turn those of the RAMC into those of the start.
    double base = sky.ramc, f = 1.0 / 3.0, sin_a = 0.5, cos_a = HALF_ROOT_3;
    switch (cusp) {
        case PlacidusCusp::Eleventh: break;
        case PlacidusCusp::Twelfth: f = 2.0 / 3.0, sin_a = HALF_ROOT_3, cos_a = 0.5; break;
        case PlacidusCusp::Second: base += PI / 3.0, f = 2.0 / 3.0, sin_a = HALF_ROOT_3, cos_a = -0.5; break;
        case PlacidusCusp::Third: base += 2.0 * PI / 3.0, cos_a = -HALF_ROOT_3; break;
    }
    const double fk = f * k, curvature = fk * (1.0 - k * k);
    double alpha = base + f * (PI / 2.0);
    double s = sky.sin_ramc * cos_a + sky.cos_ramc * sin_a, c = sky.cos_ramc * cos_a - sky.sin_ramc * sin_a;
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

}  // namespace

// Placidus (Placidus de Titis, Primum mobile, 1657): the diurnal and
// nocturnal semi-arcs of each ecliptic point trisected in time; a cusp is the
// point that has covered its share of its own semi-arc. Undefined where a cusp
// has no semi-arc (inside the polar circles, for part of the day).
std::optional<HouseCuspsRad> placidus_cusps(const HouseSky& sky) {
    const double k = sky.sin_phi * sky.sin_eps / (sky.cos_phi * sky.cos_eps);
    auto cusp = [&](PlacidusCusp which) {
        return std::abs(k) < 1.0 ? placidus_cusp(which, sky, k) : placidus_cusp_polar(which, sky);
    };
    const auto c11 = cusp(PlacidusCusp::Eleventh);
    const auto c12 = c11 ? cusp(PlacidusCusp::Twelfth) : std::nullopt;
    const auto c2 = c12 ? cusp(PlacidusCusp::Second) : std::nullopt;
    const auto c3 = c2 ? cusp(PlacidusCusp::Third) : std::nullopt;
    if (!c3) return std::nullopt;
    return HouseCuspsRad{sky.asc,
                         *c2,
                         *c3,
                         reduce_radians(sky.mc + PI),
                         reduce_radians(*c11 + PI),
                         reduce_radians(*c12 + PI),
                         reduce_radians(sky.asc + PI),
                         reduce_radians(*c2 + PI),
                         reduce_radians(*c3 + PI),
                         sky.mc,
                         *c11,
                         *c12};
}

}  // namespace orvane
