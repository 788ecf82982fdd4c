#include "core/houses/houses.hpp"

#include <cmath>
#include <numbers>
#include <optional>

#include "core/angles.hpp"
#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "core/houses/house_division.hpp"
#include "core/frames/nutation.hpp"
#include "core/frames/precession.hpp"

namespace orvane {

namespace {

constexpr double PI = std::numbers::pi;
constexpr double THIRTY_DEG_RAD = 0.5235987755982988;
constexpr int PLACIDUS_MAX_ROUNDS = 100;
constexpr double PLACIDUS_TOLERANCE_RAD = 1e-12;
constexpr double PLACIDUS_LAST_STEP_RAD = 1e-6;

// The sky at the moment: RAMC, true obliquity and geodetic latitude (radians).
struct Sky {
    double ramc, sin_ramc, cos_ramc;
    double sin_eps, cos_eps;
    double sin_phi, cos_phi;
};

// The ascendant: of the two points where the ecliptic cuts the horizon, the
// one on its eastern half. The textbook formula gives the setting point where
// the midheaven lies below the horizon (house_division.hpp), inside the polar
// circles; the rising point is then half a circle away. Where the ecliptic
// cuts the horizon at its north and south points the ascendant jumps by half
// a circle.
double rising_ecliptic_point(const Sky& sky, bool midheaven_below) {
    const double formula = std::atan2(sky.cos_ramc * sky.cos_phi,
                                      -(sky.sin_phi * sky.sin_eps + sky.cos_phi * sky.sin_ramc * sky.cos_eps));
    return midheaven_below ? formula + PI : formula;
}

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
std::optional<double> placidus_cusp_polar(PlacidusCusp cusp, const Sky& sky) {
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
std::optional<double> placidus_cusp(PlacidusCusp cusp, const Sky& sky, double k) {
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

std::expected<HouseCusps, CoordinateError> house_cusps(const GeodeticObserver& observer, double ut1_julian_day,
                                                       double tt_julian_day, HouseSystem system) {
    if (auto valid = observer.validate(); !valid) return std::unexpected(valid.error());
    if (!std::isfinite(ut1_julian_day) || !std::isfinite(tt_julian_day)) {
        return std::unexpected(CoordinateError::NonFiniteState);
    }

    const Nutation nutation = nutation_iau2000b(tt_julian_day);
    const double ramc = local_apparent_sidereal_time_iau2006(observer.longitude_east_deg * DEG_TO_RAD,
                                                             ut1_julian_day, tt_julian_day, nutation);
    const double eps =
        mean_obliquity_iau2006_rad(julian_centuries_since_j2000(tt_julian_day)) + nutation.obliquity_rad;
    const double phi = observer.latitude_deg * DEG_TO_RAD;
    const Sky sky{ramc, std::sin(ramc), std::cos(ramc), std::sin(eps), std::cos(eps), std::sin(phi), std::cos(phi)};

    const double mc = std::atan2(sky.sin_ramc, sky.cos_ramc * sky.cos_eps);
    const bool below = midheaven_below_horizon(sky.sin_ramc, sky.sin_eps, sky.cos_eps, sky.sin_phi, sky.cos_phi);
    const double asc = rising_ecliptic_point(sky, below);

    std::array<double, 12> cusps{};
    switch (system) {
        case HouseSystem::Equal:
            for (int k = 0; k < 12; ++k) cusps[k] = reduce_radians(asc + k * THIRTY_DEG_RAD);
            break;
        case HouseSystem::WholeSign: {
            const double sign_start = std::floor(reduce_degrees(asc * RAD_TO_DEG) / 30.0) * 30.0;
            for (int k = 0; k < 12; ++k) cusps[k] = reduce_degrees(sign_start + 30.0 * k) * DEG_TO_RAD;
            break;
        }
        case HouseSystem::Campanus:
            // Each cusp on the half of its house circle (through the north and
            // south points) that holds its point of the prime vertical: the
            // expression below takes the other half wherever it takes the
            // setting point for the ascendant, the circles turning about the
            // same north-south axis.
            cusps[0] = asc;
            for (int k = 1; k < 12; ++k) {
                const double a = k * THIRTY_DEG_RAD;
                const double sin_a = std::sin(a), cos_a = std::cos(a);
                cusps[k] = std::atan2(cos_a * sky.cos_ramc * sky.cos_phi - sin_a * sky.sin_ramc,
                                      -(sin_a * sky.cos_eps * sky.cos_ramc +
                                        cos_a * sky.cos_phi * sky.sin_ramc * sky.cos_eps +
                                        cos_a * sky.sin_phi * sky.sin_eps));
                if (below) cusps[k] += PI;
            }
            break;
        case HouseSystem::Placidus: {
            const double k = sky.sin_phi * sky.sin_eps / (sky.cos_phi * sky.cos_eps);
            auto cusp = [&](PlacidusCusp which) {
                return std::abs(k) < 1.0 ? placidus_cusp(which, sky, k) : placidus_cusp_polar(which, sky);
            };
            const auto c11 = cusp(PlacidusCusp::Eleventh);
            const auto c12 = c11 ? cusp(PlacidusCusp::Twelfth) : std::nullopt;
            const auto c2 = c12 ? cusp(PlacidusCusp::Second) : std::nullopt;
            const auto c3 = c2 ? cusp(PlacidusCusp::Third) : std::nullopt;
            if (!c3) return std::unexpected(CoordinateError::UndefinedHouseCusps);
            cusps = {asc,
                     *c2,
                     *c3,
                     reduce_radians(mc + PI),
                     reduce_radians(*c11 + PI),
                     reduce_radians(*c12 + PI),
                     reduce_radians(asc + PI),
                     reduce_radians(*c2 + PI),
                     reduce_radians(*c3 + PI),
                     mc,
                     *c11,
                     *c12};
            break;
        }
        default: {
            const HouseSky other{ramc, sky.sin_ramc, sky.cos_ramc, sky.sin_eps, sky.cos_eps,
                                 phi,  sky.sin_phi,  sky.cos_phi,  asc,         mc,
                                 below};
            auto divided = house_division_cusps(system, other);
            if (!divided) return std::unexpected(CoordinateError::UndefinedHouseCusps);
            cusps = *divided;
            break;
        }
    }

    HouseCusps out;
    for (int k = 0; k < 12; ++k) out.cusp_ecliptic_longitude_deg[k] = reduce_degrees(cusps[k] * RAD_TO_DEG);
    out.ascendant_deg = reduce_degrees(asc * RAD_TO_DEG);
    out.midheaven_deg = reduce_degrees(mc * RAD_TO_DEG);
    out.ramc_deg = reduce_degrees(ramc * RAD_TO_DEG);
    out.local_sidereal_time_deg = out.ramc_deg;
    out.true_obliquity_deg = eps * RAD_TO_DEG;
    out.system = system;
    return out;
}

}  // namespace orvane
