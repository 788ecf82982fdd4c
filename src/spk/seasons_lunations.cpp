#include "spk/seasons_lunations.hpp"

#include <numbers>

#include "core/position_options.hpp"

namespace orvane {

namespace {

// Apparent geocentric place on the true ecliptic and equinox of date.
PositionOptions apparent_ecliptic_of_date() {
    PositionOptions options;
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
                                                                 double julian_day) {
    auto sun = engine.position(Body::Sun, Instant{julian_day, scale}, apparent_ecliptic_of_date());
    if (!sun) return std::unexpected(std::move(sun.error()));
    return LongitudeSample{sun->longitude_deg, sun->longitude_speed_deg_per_day};
}

std::expected<LongitudeSample, OrvaneError> sun_moon_elongation_sample(const SpkOrvane& engine, TimeScale scale,
                                                                       double julian_day) {
    const PositionOptions options = apparent_ecliptic_of_date();
    const Instant instant{julian_day, scale};
    auto sun = engine.position(Body::Sun, instant, options);
    if (!sun) return std::unexpected(std::move(sun.error()));
    auto moon = engine.position(Body::Moon, instant, options);
    if (!moon) return std::unexpected(std::move(moon.error()));
    return LongitudeSample{reduce_degrees(moon->longitude_deg - sun->longitude_deg),
                           moon->longitude_speed_deg_per_day - sun->longitude_speed_deg_per_day};
}

std::expected<Instant, OrvaneError> next_sun_longitude(const SpkOrvane& engine, Instant after, double target_deg) {
    return refine_longitude_zero(engine, after, target_deg, TROPICAL_YEAR_DAYS, [&](double day) {
        return sun_longitude_sample(engine, after.time_scale, day);
    });
}

std::expected<Instant, OrvaneError> next_sun_moon_elongation(const SpkOrvane& engine, Instant after,
                                                             double target_deg) {
    return refine_longitude_zero(engine, after, target_deg, SYNODIC_MONTH_DAYS, [&](double day) {
        return sun_moon_elongation_sample(engine, after.time_scale, day);
    });
}

}  // namespace orvane
