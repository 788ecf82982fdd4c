#include "engine/seasons_lunations.hpp"

#include <array>
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
    // One batch request: the instant is converted, the frame of date built and
    // the Earth evaluated once for both bodies, with the same values and the
    // same first error as a request for the Sun followed by one for the Moon.
    static constexpr std::array<Body, 2> sun_and_moon{Body::Sun, Body::Moon};
    const std::array<Instant, 1> instant{Instant{julian_day, scale}};
    auto places = engine.positions(sun_and_moon, instant, apparent_ecliptic_of_date());
    if (!places) return std::unexpected(std::move(places.error()));
    const Position& sun = (*places)[0];
    const Position& moon = (*places)[1];
    return LongitudeSample{reduce_degrees(moon.longitude_deg - sun.longitude_deg),
                           moon.longitude_speed_deg_per_day - sun.longitude_speed_deg_per_day};
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
