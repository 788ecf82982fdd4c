#include "engine/seasons_lunations.hpp"

#include <array>
#include <numbers>

#include "core/body.hpp"
#include "core/position_options.hpp"

namespace orvane {

namespace {

// Apparent geocentric place on the true ecliptic and equinox of date.
PositionOptions apparent_ecliptic_of_date(AstrometryModel model) {
    PositionOptions options;
    options.model = model;
    options.origin.kind = OriginKind::Geocentric;
    options.coordinate_system = CoordinateSystem::Ecliptic;
    options.reference_epoch = ReferenceEpoch::OfDate;
    options.apparent = true;
    return options;
}

}  // namespace

std::expected<void, OrvaneError> check_longitude_rate(const LongitudeSample& sample) {
    if (!std::isfinite(sample.rate_deg_per_day) || std::abs(sample.rate_deg_per_day) < 1e-6) {
        return std::unexpected(OrvaneError::invalid_request("longitude speed is too small to search for the event"));
    }
    return {};
}

double signed_longitude_difference_deg(double angle_deg, double target_deg) {
    const double m = reduce_radians_signed((angle_deg - target_deg) * DEG_TO_RAD);
    return m <= -std::numbers::pi ? 180.0 : m * RAD_TO_DEG;
}

std::expected<LongitudeSample, OrvaneError> sun_longitude_sample(const SpkOrvane& engine, TimeScale scale,
                                                                 double julian_day, AstrometryModel model) {
    auto sun = engine.position(Body::Sun, Instant{julian_day, scale}, apparent_ecliptic_of_date(model));
    if (!sun) return std::unexpected(std::move(sun.error()));
    return LongitudeSample{sun->longitude_deg, sun->longitude_speed_deg_per_day};
}

std::expected<LongitudeSample, OrvaneError> sun_moon_elongation_sample(const SpkOrvane& engine, TimeScale scale,
                                                                       double julian_day, AstrometryModel model) {
    // One batch request: the instant is converted, the frame of date built and
    // the Earth evaluated once for both bodies, with the same values and the
    // same first error as a request for the Sun followed by one for the Moon.
    // Written into the stack: longitude, latitude, distance, longitude speed
    // of the Sun, then of the Moon.
    const std::array<std::int32_t, 2> sun_and_moon{naif_code(Body::Sun), naif_code(Body::Moon)};
    const std::array<double, 1> day{julian_day};
    std::array<double, 8> places;
    auto done = engine.positions_into(sun_and_moon, InstantList(day, scale), apparent_ecliptic_of_date(model), places);
    if (!done) return std::unexpected(std::move(done.error()));
    return LongitudeSample{reduce_degrees(places[4] - places[0]), places[7] - places[3]};
}

std::expected<Instant, OrvaneError> next_sun_longitude(const SpkOrvane& engine, Instant after, double target_deg,
                                                       AstrometryModel model) {
    return refine_longitude_zero(engine, after, target_deg, TROPICAL_YEAR_DAYS, [&](double day) {
        return sun_longitude_sample(engine, after.time_scale, day, model);
    });
}

std::expected<Instant, OrvaneError> next_sun_moon_elongation(const SpkOrvane& engine, Instant after,
                                                             double target_deg, AstrometryModel model) {
    return refine_longitude_zero(engine, after, target_deg, SYNODIC_MONTH_DAYS, [&](double day) {
        return sun_moon_elongation_sample(engine, after.time_scale, day, model);
    });
}

}  // namespace orvane
