#include "core/houses.hpp"

#include <cmath>
#include <numbers>
#include <optional>

#include "core/angles.hpp"
#include "core/constants.hpp"
#include "core/earth_rotation.hpp"
#include "core/house_division.hpp"
#include "core/nutation.hpp"
#include "core/precession.hpp"

namespace orvane {

namespace {

constexpr double PI = std::numbers::pi;
constexpr double THIRTY_DEG_RAD = 0.5235987755982988;
constexpr int PLACIDUS_MAX_ROUNDS = 100;
constexpr double PLACIDUS_TOLERANCE_RAD = 1e-12;

// The sky at the moment: RAMC, true obliquity and geodetic latitude (radians).
struct Sky {
    double ramc, sin_ramc, cos_ramc;
    double sin_eps, cos_eps;
    double sin_phi, cos_phi;
};

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

// Ecliptic longitude of one Placidus cusp, by iterating on the declination of
// the ecliptic point; nothing when the point has no semi-arc, the iteration
// degenerates or it does not converge. The sine and cosine of the declination carry from one round to the next:
// sin λ = sin α / √(sin² α + (cos α cos ε)²) and sin δ = sin λ sin ε, so a
// round costs an arc cosine and the sine and cosine of α. The iteration stops
// when the declination moves by less than the tolerance, measured on its sine
// (the change in sin δ over cos δ, which the ecliptic keeps above cos ε).
std::optional<double> placidus_cusp(PlacidusCusp cusp, const Sky& sky) {
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
    const double asc = std::atan2(sky.cos_ramc * sky.cos_phi,
                                  -(sky.sin_phi * sky.sin_eps + sky.cos_phi * sky.sin_ramc * sky.cos_eps));

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
            cusps[0] = asc;
            for (int k = 1; k < 12; ++k) {
                const double a = k * THIRTY_DEG_RAD;
                const double sin_a = std::sin(a), cos_a = std::cos(a);
                cusps[k] = std::atan2(cos_a * sky.cos_ramc * sky.cos_phi - sin_a * sky.sin_ramc,
                                      -(sin_a * sky.cos_eps * sky.cos_ramc +
                                        cos_a * sky.cos_phi * sky.sin_ramc * sky.cos_eps +
                                        cos_a * sky.sin_phi * sky.sin_eps));
            }
            break;
        case HouseSystem::Placidus: {
            const auto c11 = placidus_cusp(PlacidusCusp::Eleventh, sky);
            const auto c12 = c11 ? placidus_cusp(PlacidusCusp::Twelfth, sky) : std::nullopt;
            const auto c2 = c12 ? placidus_cusp(PlacidusCusp::Second, sky) : std::nullopt;
            const auto c3 = c2 ? placidus_cusp(PlacidusCusp::Third, sky) : std::nullopt;
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
                                 phi,  sky.sin_phi,  sky.cos_phi,  asc,         mc};
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
