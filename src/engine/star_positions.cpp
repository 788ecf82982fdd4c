#include "engine/star_positions.hpp"

#include <array>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

#include "core/constants.hpp"
#include "engine/body_deflection.hpp"
#include "engine/corrections.hpp"
#include "engine/instant_frame.hpp"
#include "engine/output_frame.hpp"
#include "engine/relative_state.hpp"
#include "engine/relativistic_aberration.hpp"
#include "engine/request_options.hpp"

namespace orvane {

namespace {

constexpr double LIGHT_KM_PER_DAY = 299792.458 * SECONDS_PER_DAY;

// Catalogue stars have no NAIF code; a failure names this one.
constexpr std::int32_t STAR_CODE = 0;

// The limiter of the Sun's deflection of starlight in the full model, in
// units of 1 - cos of the angle from the Sun (ERFA atciq).
constexpr double STAR_DEFLECTION_LIMITER = 5e-9;

// The star's direction at its catalogue epoch (unit vector, ICRS).
Vector3 catalogue_direction(const CatalogueStar& star) {
    const double cd = std::cos(star.declination_rad);
    return {cd * std::cos(star.right_ascension_rad), cd * std::sin(star.right_ascension_rad),
            std::sin(star.declination_rad)};
}

}  // namespace

std::expected<void, OrvaneError> star_positions_into(const SpkOrvane& engine, std::span<const CatalogueStar> stars,
                                                     InstantList instants, const PositionOptions& options,
                                                     std::span<double> out) {
    auto resolved = resolve_position_options(options);
    if (!resolved) return std::unexpected(resolved.error());
    const bool topocentric = resolved->origin.kind == OriginKind::Topocentric;
    const std::int32_t origin_body = origin_code(resolved->origin.kind);
    const Corrections& c = resolved->corrections;
    const bool deflected = c.gravitational_deflection && origin_body != SUN_CODE;
    // The full model: the Sun's deflection of a source at infinity (ERFA ld as
    // ERFA atciq calls it) and aberration to all orders (ERFA ab), which reads
    // the observer's distance from the Sun. Both models take the aberration's
    // rate from the observer's acceleration.
    const bool full = resolved->model == AstrometryModel::Full;
    const bool reads_sun = deflected || (full && c.aberration);
    for (std::size_t i = 0; i < instants.size(); ++i) {
        auto frame = instant_frame(engine, *resolved, instants[i]);
        if (!frame) return std::unexpected(std::move(frame.error()));
        const double epoch = frame->tdb_seconds;
        const double tdb_julian_day = epoch / SECONDS_PER_DAY + J2000_JULIAN_DAY;
        std::optional<StateVector> offset;
        if (topocentric) offset = frame->observer;
        // The aberration's rate: the origin's acceleration from the same
        // evaluation, the observer's own added.
        std::array<double, 3> acceleration{};
        auto origin = origin_barycentric_state(engine.kernels, origin_body, epoch, offset,
                                               c.aberration ? &acceleration : nullptr);
        if (!origin) return std::unexpected(spk_orvane_error(origin.error()));
        std::optional<StateVector> sun;
        if (reads_sun) {
            auto state = origin_barycentric_state(engine.kernels, SUN_CODE, epoch, std::nullopt);
            if (!state) return std::unexpected(spk_orvane_error(state.error()));
            sun = *state;
        }
        if (c.aberration && topocentric) {
            for (int k = 0; k < 3; ++k) acceleration[k] += frame->observer_acceleration[k];
        }
        for (std::size_t j = 0; j < stars.size(); ++j) {
            const double delay_days =
                c.light_time ? dot(catalogue_direction(stars[j]), origin->position) / LIGHT_KM_PER_DAY : 0.0;
            CartesianState seen =
                subtract_states(catalogue_star_state(stars[j], tdb_julian_day + delay_days), *origin);
            if (full) {
                if (deflected) {
                    seen = apply_body_deflection_of_distant_source(seen, *origin, *sun, 1.0, STAR_DEFLECTION_LIMITER);
                }
                if (c.aberration) {
                    seen = apply_relativistic_aberration(seen, origin->velocity, acceleration,
                                                         subtract_states(*origin, *sun));
                }
            } else {
                if (deflected) seen = apply_solar_gravitational_deflection(seen, origin->position, sun->position);
                if (c.aberration) seen = apply_stellar_aberration(seen, origin->velocity, acceleration);
            }
            auto position = position_from_state(seen, frame->frame, STAR_CODE, tdb_julian_day);
            if (!position) return std::unexpected(std::move(position.error()));
            double* row = &out[4 * (i * stars.size() + j)];
            row[0] = position->longitude_deg;
            row[1] = position->latitude_deg;
            row[2] = position->distance_au;
            row[3] = position->longitude_speed_deg_per_day;
        }
    }
    return {};
}

std::expected<std::vector<CatalogueStar>, OrvaneError> catalogue_stars(const SpkOrvane& engine,
                                                                       std::span<const std::int32_t> hips) {
    if (!engine.stars) return std::unexpected(OrvaneError::invalid_request("no star catalogue attached"));
    std::vector<CatalogueStar> stars;
    stars.reserve(hips.size());
    for (std::int32_t hip : hips) {
        const HipparcosStar* star = engine.stars->find(hip);
        if (star == nullptr) {
            return std::unexpected(
                OrvaneError::invalid_request("HIP " + std::to_string(hip) + " is not in the star catalogue"));
        }
        stars.push_back(star->astrometry);
    }
    return stars;
}

std::expected<void, OrvaneError> star_positions_into(const SpkOrvane& engine, std::span<const std::int32_t> hips,
                                                     InstantList instants, const PositionOptions& options,
                                                     std::span<double> out) {
    auto stars = catalogue_stars(engine, hips);
    if (!stars) return std::unexpected(std::move(stars.error()));
    return star_positions_into(engine, *stars, instants, options, out);
}

SpkOrvane SpkOrvane::with_star_catalogue(SpkOrvane&& engine, HipparcosCatalogue catalogue) {
    SpkOrvane extended = std::move(engine);
    extended.stars = std::make_shared<const HipparcosCatalogue>(std::move(catalogue));
    return extended;
}

}  // namespace orvane
