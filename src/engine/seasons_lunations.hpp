#pragma once
#include <cmath>
#include <expected>

#include "core/angles.hpp"
#include "core/astrometry_model.hpp"
#include "core/constants.hpp"
#include "core/errors.hpp"
#include "core/time_scale.hpp"
#include "engine/engine.hpp"
#include "engine/instant_conversion.hpp"

// Seasons and lunations: the next time an angle that grows steadily with time
// (the Sun's apparent longitude, or the Moon's elongation from the Sun)
// reaches a target value.
namespace orvane {

// Mean periods of the two angles: the first guess of a search steps by the
// mean rate, and an event met within the first second is stepped past.
inline constexpr double TROPICAL_YEAR_DAYS = 365.2421897;
inline constexpr double SYNODIC_MONTH_DAYS = 29.530588861;

// The searched angle at one day, with its rate.
struct LongitudeSample {
    double angle_deg = 0.0;
    double rate_deg_per_day = 0.0;
};

// Fails unless the rate is finite and at least 1e-6 degrees per day in magnitude.
std::expected<void, OrvaneError> check_longitude_rate(const LongitudeSample& sample);

// angle − target in degrees, in (−180, 180].
double signed_longitude_difference_deg(double angle_deg, double target_deg);

// Newton iteration towards the day at which function(day).angle_deg equals
// target_deg, from start_day: at most twelve steps; no convergence is not an
// error. It ends, the last step taken, once a step is below 2e-7 days. The
// engine's longitude speeds are the exact rates of the longitudes, so each
// step leaves only the square of the step times |f''| / 2f' (below 1e-14
// days here): after the last one, well below the last place of a
// present-day Julian day.
// Days are in whatever scale the function reads them.
template <typename Function>
std::expected<double, OrvaneError> newton_longitude_zero(Function&& function, double start_day, double target_deg) {
    double day = start_day;
    for (int iteration = 0; iteration < 12; ++iteration) {
        std::expected<LongitudeSample, OrvaneError> sample = function(day);
        if (!sample) return std::unexpected(std::move(sample.error()));
        if (auto rate = check_longitude_rate(*sample); !rate) return std::unexpected(std::move(rate.error()));
        const double step = signed_longitude_difference_deg(sample->angle_deg, target_deg) / sample->rate_deg_per_day;
        day -= step;
        if (std::abs(step) < 2e-7) return day;
    }
    return day;
}

// The first day strictly more than one second after `after` at which the
// angle reaches target_deg (an event at the query itself does not count), as a
// TT instant. The function reads days in the scale of `after`; period_days is
// the angle's mean period, which gives the first guess and steps past an
// event that falls within the first second.
template <typename Function>
std::expected<Instant, OrvaneError> refine_longitude_zero(const SpkOrvane& engine, Instant after, double target_deg,
                                                          double period_days, Function&& function) {
    const double start = after.julian_day;
    std::expected<LongitudeSample, OrvaneError> sample = function(start);
    if (!sample) return std::unexpected(std::move(sample.error()));
    if (auto rate = check_longitude_rate(*sample); !rate) return std::unexpected(std::move(rate.error()));
    double to_go = reduce_degrees(target_deg - sample->angle_deg);
    if (to_go < 1e-8) to_go = 360.0;
    std::expected<double, OrvaneError> day =
        newton_longitude_zero(function, start + to_go / 360.0 * period_days, target_deg);
    if (!day) return std::unexpected(std::move(day.error()));
    if (!(*day > start + ONE_SECOND_DAYS)) {
        day = newton_longitude_zero(function, *day + period_days, target_deg);
        if (!day) return std::unexpected(std::move(day.error()));
    }
    std::expected<double, OrvaneError> tt = instant_as_tt(engine, after.time_scale, *day);
    if (!tt) return std::unexpected(std::move(tt.error()));
    return Instant{*tt, TimeScale::Tt};
}

// The Sun's apparent geocentric longitude on the true ecliptic and equinox of
// date, at a day of the given scale.
std::expected<LongitudeSample, OrvaneError> sun_longitude_sample(const SpkOrvane& engine, TimeScale scale,
                                                                 double julian_day,
                                                                 AstrometryModel model = AstrometryModel::Standard);

// The Moon's apparent longitude minus the Sun's, in [0, 360), with the
// difference of their speeds.
std::expected<LongitudeSample, OrvaneError> sun_moon_elongation_sample(
    const SpkOrvane& engine, TimeScale scale, double julian_day, AstrometryModel model = AstrometryModel::Standard);

// Next equinox or solstice: the Sun's longitude reaching target_deg (0, 90,
// 180, 270) after the instant, in the places of the model. The result is in TT.
std::expected<Instant, OrvaneError> next_sun_longitude(const SpkOrvane& engine, Instant after, double target_deg,
                                                       AstrometryModel model = AstrometryModel::Standard);

// Next lunation phase: the elongation reaching target_deg (0 new Moon, 180
// full Moon) after the instant, in the places of the model. The result is in TT.
std::expected<Instant, OrvaneError> next_sun_moon_elongation(const SpkOrvane& engine, Instant after,
                                                             double target_deg,
                                                             AstrometryModel model = AstrometryModel::Standard);

}  // namespace orvane
