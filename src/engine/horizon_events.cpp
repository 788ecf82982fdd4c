#include "engine/horizon_events.hpp"

#include <cmath>
#include <numbers>
#include <string>

#include "core/angles.hpp"
#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "core/observer/horizon.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/instant_frame.hpp"
#include "engine/request_options.hpp"

namespace orvane {

PositionOptions horizon_options(const GeodeticObserver& observer) {
    PositionOptions options;
    options.origin.kind = OriginKind::Topocentric;
    options.origin.observer = observer;
    options.coordinate_system = CoordinateSystem::Equatorial;
    options.reference_epoch = ReferenceEpoch::OfDate;
    options.apparent = true;
    return options;
}

namespace {

// The named body of a NAIF code, if it is one.
std::optional<Body> named_body(std::int32_t code) {
    for (std::size_t i = 0; i < BODY_COUNT; ++i) {
        const auto body = static_cast<Body>(i);
        if (naif_code(body) == code) return body;
    }
    return std::nullopt;
}

// Hour angle in (−π, π].
double reduce_hour_angle(double angle) {
    const double h = reduce_radians_signed(angle);
    return h <= -std::numbers::pi ? std::numbers::pi : h;
}

// Where the body stands in the sky of the place at a UT1 day.
struct SkyPlace {
    double day = 0.0;
    double hour_angle = 0.0;       // (−π, π]
    double declination = 0.0;
    double hour_angle_rate = 0.0;  // radians per day
    double excess = 0.0;           // sin(altitude) − sin(requested altitude): positive above it
};

// Bounds on the rate of a body's declination seen from a place on the Earth
// (radians per day) and on the change of that rate (radians per day squared),
// with a margin: the Sun moves up to 0.007 rad/day in declination, with 1e-4
// rad/day² of its own and up to 2e-3 rad/day² from its parallax turning with
// the hour angle; the Moon up to 0.13 rad/day, plus 0.05 rad/day and 0.7
// rad/day² from its parallax.
struct DeclinationBounds {
    double rate = 0.0;
    double acceleration = 0.0;
};

// Any other body of a kernel (planets, asteroids): the bounds of Mercury's
// geocentric motion, 0.04 rad/day, doubled, with 0.02 rad/day² (the Sun's
// parallax term is the largest part at a planet's distance or more).
DeclinationBounds declination_bounds(std::int32_t body) {
    if (body == naif_code(Body::Sun)) return {0.01, 0.005};
    if (body == naif_code(Body::Moon)) return {0.25, 1.0};
    return {0.08, 0.02};
}

// The body's place in the sky of one place, one evaluation per UT1 day: one
// instant conversion (one nutation) and one apparent topocentric position on
// the true equator and equinox of date.
class Sky {
public:
    Sky(const SpkOrvane& engine, std::int32_t body, const GeodeticObserver& observer, const PositionOptions& resolved,
        double altitude_deg)
        : engine_(engine),
          code_(body),
          bounds_(declination_bounds(body)),
          resolved_(resolved),
          longitude_(observer.longitude_east_deg * DEG_TO_RAD),
          latitude_(observer.latitude_deg * DEG_TO_RAD),
          sin_latitude_(std::sin(latitude_)),
          cos_latitude_(std::cos(latitude_)),
          sin_altitude_(std::sin(altitude_deg * DEG_TO_RAD)) {}

    std::expected<SkyPlace, OrvaneError> operator()(double day) const {
        auto converted = instant_frame(engine_, resolved_, Instant{day, TimeScale::Ut1});
        if (!converted) return std::unexpected(std::move(converted.error()));
        auto place = position_at(engine_, code_, *converted, resolved_);
        if (!place) return std::unexpected(std::move(place.error()));
        SkyPlace sky;
        sky.day = day;
        sky.hour_angle =
            reduce_hour_angle(converted->earth.gast_rad + longitude_ - place->longitude_deg * DEG_TO_RAD);
        sky.declination = place->latitude_deg * DEG_TO_RAD;
        // Right ascension per TDB day as per UT1 day: the same to 1e-8.
        sky.hour_angle_rate = EARTH_ROTATION_RAD_PER_UT1_DAY - place->longitude_speed_deg_per_day * DEG_TO_RAD;
        if (!(sky.hour_angle_rate > 1.0)) sky.hour_angle_rate = EARTH_ROTATION_RAD_PER_UT1_DAY;
        sky.excess = sin_latitude_ * std::sin(sky.declination) +
                     cos_latitude_ * std::cos(sky.declination) * std::cos(sky.hour_angle) - sin_altitude_;
        return sky;
    }

    // The rate of the excess at a place for a rate of the declination.
    double excess_rate(const SkyPlace& p, double declination_rate) const {
        const double sin_d = std::sin(p.declination), cos_d = std::cos(p.declination);
        return -cos_latitude_ * cos_d * std::sin(p.hour_angle) * p.hour_angle_rate +
               declination_rate * (sin_latitude_ * cos_d - cos_latitude_ * sin_d * std::cos(p.hour_angle));
    }

    // A bound on the excess's second derivative: the diurnal part, |cos φ cos δ|
    // Ḣ² at the hour angle's extremes, plus the declination's part.
    double excess_curvature(const SkyPlace& p) const {
        return cos_latitude_ * std::cos(p.declination) * p.hour_angle_rate * p.hour_angle_rate +
               bounds_.acceleration + 2.0 * bounds_.rate * (p.hour_angle_rate + bounds_.rate);
    }

    // A bound on the error of the excess's rate from a declination rate taken
    // over a chord of that many days.
    double excess_rate_error(double chord_days) const { return bounds_.acceleration * chord_days; }

    // An upper bound on how far the excess at a place near a culmination is
    // from the excess at the altitude's extreme there: twice the gap a parabola
    // would give, with the declination moving at its bound.
    double distance_to_extreme(const SkyPlace& p) const {
        const double cos_d = std::cos(p.declination);
        const double slope = std::fabs(cos_latitude_ * cos_d * std::sin(p.hour_angle) * p.hour_angle_rate) +
                             bounds_.rate * std::fabs(sin_latitude_ * cos_d) +
                             bounds_.rate * std::fabs(cos_latitude_ * std::sin(p.declination));
        const double curvature =
            std::fabs(cos_latitude_ * cos_d * std::cos(p.hour_angle)) * p.hour_angle_rate * p.hour_angle_rate;
        if (!(curvature > 1e-3)) return INFINITY;
        return slope * slope / curvature + 1e-9;
    }

    double latitude() const { return latitude_; }

private:
    const SpkOrvane& engine_;
    std::int32_t code_;
    DeclinationBounds bounds_;
    const PositionOptions& resolved_;
    double longitude_, latitude_, sin_latitude_, cos_latitude_, sin_altitude_;
};

// Steps of the hour-angle searches; a step this small ends one (the next
// would move the result by well under a millisecond).
constexpr int HOUR_ANGLE_MAX_STEPS = 8;
constexpr double HOUR_ANGLE_LAST_STEP_DAYS = 1e-4;

// The hour angle still to go to `target`, in (−π, π].
double hour_angle_to_go(double target, double hour_angle) { return reduce_hour_angle(target - hour_angle); }

struct Found {
    double day = 0.0;
    SkyPlace last;  // the last place evaluated, within a step of `day`
};

// Newton's method from `start` for the nearest instant at which the body's
// hour angle is `target`.
std::expected<Found, OrvaneError> hour_angle_at(const Sky& sky, double target, double start) {
    Found found{start, {}};
    for (int step = 0; step < HOUR_ANGLE_MAX_STEPS; ++step) {
        auto place = sky(found.day);
        if (!place) return std::unexpected(std::move(place.error()));
        found.last = *place;
        const double move = hour_angle_to_go(target, place->hour_angle) / place->hour_angle_rate;
        found.day += move;
        if (std::fabs(move) < HOUR_ANGLE_LAST_STEP_DAYS) break;
    }
    return found;
}

// Half the span of the first parabola through the altitude around a
// culmination, and of the second one around its vertex.
constexpr double EXTREME_SPAN_DAYS = 1.0 / 48.0;
constexpr double EXTREME_REFINED_SPAN_DAYS = 1.0 / 384.0;

// The highest (sign +1) or lowest (sign -1) altitude near a culmination, for a
// body that may graze the requested altitude there. The body's own motion in
// declination moves the extreme off the meridian by up to an hour or so at
// high latitudes, and a graze crosses there or nowhere: two parabolas through
// the altitude, the second around the vertex of the first, find it.
std::expected<SkyPlace, OrvaneError> extreme_near(const Sky& sky, double culmination, double sign) {
    SkyPlace best;
    bool first = true;
    double centre = culmination;
    for (double span : {EXTREME_SPAN_DAYS, EXTREME_REFINED_SPAN_DAYS}) {
        double values[3];
        for (int i = 0; i < 3; ++i) {
            const double day = centre + (i - 1) * span;
            if (i == 1 && !first && day == best.day) {
                values[i] = best.excess;
                continue;
            }
            auto place = sky(day);
            if (!place) return std::unexpected(std::move(place.error()));
            values[i] = place->excess;
            if (first || sign * place->excess > sign * best.excess) best = *place;
            first = false;
        }
        // Vertex of the parabola through the three values, kept within two spans.
        const double curvature = values[0] - 2.0 * values[1] + values[2];
        double offset = sign * curvature < 0.0 ? 0.5 * (values[0] - values[2]) / curvature : 0.0;
        offset = std::fmax(-2.0, std::fmin(2.0, offset));
        centre += offset * span;
        auto place = sky(centre);
        if (!place) return std::unexpected(std::move(place.error()));
        if (sign * place->excess > sign * best.excess) best = *place;
        centre = best.day;
    }
    return best;
}

// The altitude's extreme near a culmination as far as the rise and the set
// need it: the place evaluated there when the extreme is surely on the same
// side of the requested altitude (always so for the highest when the place is
// above it, and for the lowest when it is at or below it), otherwise the
// extreme itself.
std::expected<SkyPlace, OrvaneError> extreme_side(const Sky& sky, const SkyPlace& near, double sign) {
    const bool above = near.excess > 0.0;
    if ((sign > 0.0) == above || std::fabs(near.excess) > sky.distance_to_extreme(near)) return near;
    return extreme_near(sky, near.day, sign);
}

// The crossing of the requested altitude between two extremes of the altitude
// (none when both are on the same side): Newton's method with the rates of the
// hour angle and of the declination (the latter from the last two places),
// started from the half arc at the declination interpolated between the
// extremes, each step kept within the bracket (halving it otherwise), until
// the error of the step, from the curvature and from the declination's rate,
// is below a tenth of a millisecond.
constexpr double CROSSING_TOLERANCE_DAYS = 1e-3 * ONE_SECOND_DAYS;
constexpr double CROSSING_ERROR_DAYS = 0.1 * CROSSING_TOLERANCE_DAYS;
constexpr int CROSSING_MAX_EVALUATIONS = 60;

std::expected<std::optional<double>, OrvaneError> crossing_between(const Sky& sky, const SkyPlace& from,
                                                                   const SkyPlace& to, double altitude_rad,
                                                                   const SkyPlace& culmination) {
    if ((from.excess > 0.0) == (to.excess > 0.0)) return std::optional<double>{};
    double a = from.day, b = to.day;
    const bool above_at_a = from.excess > 0.0;
    auto inside = [&](double t) { return t > std::fmin(a, b) && t < std::fmax(a, b); };

    // First guess: the half arc at the declination of the culmination, then
    // at the declination moved on to that guess at the rate between the ends.
    const double declination_rate = (to.declination - from.declination) / (to.day - from.day);
    const double side = culmination.day == from.day ? 1.0 : -1.0;  // set after, rise before the culmination
    double t = 0.5 * (a + b);
    double declination = culmination.declination;
    for (int pass = 0; pass < 2; ++pass) {
        auto arc = rise_set_hour_angle(sky.latitude(), declination, altitude_rad);
        if (!arc || arc->kind != HorizonCrossing::Kind::Crossing) break;
        const double guess = culmination.day + hour_angle_to_go(side * arc->half_arc_rad, culmination.hour_angle) /
                                                   culmination.hour_angle_rate;
        if (!inside(guess)) break;
        t = guess;
        declination = culmination.declination + declination_rate * (t - culmination.day);
    }

    SkyPlace previous = culmination;
    for (int evaluation = 0; evaluation < CROSSING_MAX_EVALUATIONS; ++evaluation) {
        auto place = sky(t);
        if (!place) return std::unexpected(std::move(place.error()));
        if (place->excess == 0.0) return std::optional<double>{t};
        ((place->excess > 0.0) == above_at_a ? a : b) = t;
        const double rate = place->day != previous.day
                                ? (place->declination - previous.declination) / (place->day - previous.day)
                                : declination_rate;
        const double slope = sky.excess_rate(*place, rate);
        const double newton = t - place->excess / slope;
        // The step's error: from the curvature over the step, and from the
        // declination's rate taken over the chord to the last place.
        const double step = std::fabs(newton - t);
        const double chord = std::fabs(place->day - previous.day);
        if (newton >= std::fmin(a, b) && newton <= std::fmax(a, b) &&
            step * (sky.excess_curvature(*place) * step + sky.excess_rate_error(chord)) <
                2.0 * CROSSING_ERROR_DAYS * std::fabs(slope)) {
            return std::optional<double>{newton};
        }
        t = inside(newton) ? newton : 0.5 * (a + b);
        if (std::fabs(b - a) < CROSSING_TOLERANCE_DAYS) break;
        previous = *place;
    }
    return std::optional<double>{t};
}

}  // namespace

std::expected<RiseSetTransit, OrvaneError> rise_set_transit(const SpkOrvane& engine, Body body,
                                                            const GeodeticObserver& observer, Instant around,
                                                            double altitude_deg) {
    return rise_set_transit(engine, naif_code(body), observer, around, altitude_deg);
}

std::expected<RiseSetTransit, OrvaneError> rise_set_transit(const SpkOrvane& engine, std::int32_t body,
                                                            const GeodeticObserver& observer, Instant around,
                                                            double altitude_deg) {
    if (body == naif_code(Body::Earth)) {
        return std::unexpected(OrvaneError::invalid_request("the Earth does not rise or set for a place on it"));
    }
    if (!std::isfinite(altitude_deg)) {
        return std::unexpected(OrvaneError::invalid_request("horizon altitude must be finite"));
    }
    if (std::fabs(altitude_deg) > 90.0) {
        return std::unexpected(OrvaneError::invalid_request("horizon altitude must be within [-90, 90] degrees"));
    }
    if (auto valid = observer.validate(); !valid) return std::unexpected(OrvaneError::invalid_request(valid.error()));
    auto epochs = earth_rotation_epochs(engine, around.time_scale, around.julian_day);
    if (!epochs) return std::unexpected(std::move(epochs.error()));
    auto resolved = resolve_position_options(horizon_options(observer));
    if (!resolved) return std::unexpected(std::move(resolved.error()));
    const Sky sky(engine, body, observer, *resolved, altitude_deg);

    RiseSetTransit result;
    auto transit = hour_angle_at(sky, 0.0, epochs->ut1_julian_day);
    if (!transit) return std::unexpected(std::move(transit.error()));
    result.transit_ut1_julian_day = transit->day;

    // The altitude rises from its lowest near the lower culmination before the
    // transit to its highest near the transit, then falls to its lowest near
    // the lower culmination after it: the rise is looked for on the way up,
    // the set on the way down. The lower culminations are half a turn of the
    // hour angle away at its rate at the transit.
    const double half_turn = std::numbers::pi / transit->last.hour_angle_rate;
    auto before = sky(transit->day - half_turn);
    if (!before) return std::unexpected(std::move(before.error()));
    auto after = sky(transit->day + half_turn);
    if (!after) return std::unexpected(std::move(after.error()));
    auto lowest_before = extreme_side(sky, *before, -1.0);
    if (!lowest_before) return std::unexpected(std::move(lowest_before.error()));
    auto highest = extreme_side(sky, transit->last, 1.0);
    if (!highest) return std::unexpected(std::move(highest.error()));
    auto lowest_after = extreme_side(sky, *after, -1.0);
    if (!lowest_after) return std::unexpected(std::move(lowest_after.error()));

    const double altitude = altitude_deg * DEG_TO_RAD;
    if (lowest_before->excess <= 0.0) {
        auto rise = crossing_between(sky, *lowest_before, *highest, altitude, *highest);
        if (!rise) return std::unexpected(std::move(rise.error()));
        result.rise_ut1_julian_day = *rise;
    }
    if (lowest_after->excess <= 0.0) {
        auto set = crossing_between(sky, *highest, *lowest_after, altitude, *highest);
        if (!set) return std::unexpected(std::move(set.error()));
        result.set_ut1_julian_day = *set;
    }
    return result;
}

std::expected<HorizonEvent, OrvaneError> next_horizon_event(const SpkOrvane& engine, Body body,
                                                            const GeodeticObserver& observer, Instant after,
                                                            HorizonEventKind kind, double altitude_deg) {
    return next_horizon_event(engine, naif_code(body), observer, after, kind, altitude_deg);
}

std::expected<HorizonEvent, OrvaneError> next_horizon_event(const SpkOrvane& engine, std::int32_t body,
                                                            const GeodeticObserver& observer, Instant after,
                                                            HorizonEventKind kind, double altitude_deg) {
    auto epochs = earth_rotation_epochs(engine, after.time_scale, after.julian_day);
    if (!epochs) return std::unexpected(std::move(epochs.error()));
    const double start = epochs->ut1_julian_day;
    const double threshold = start + ONE_SECOND_DAYS;
    for (int offset = 0; offset < 3; ++offset) {
        auto day = rise_set_transit(engine, body, observer, Instant{start + offset, TimeScale::Ut1}, altitude_deg);
        if (!day) {
            if (offset == 0) return std::unexpected(std::move(day.error()));
            break;
        }
        std::optional<double> time;
        switch (kind) {
            case HorizonEventKind::Rise: time = day->rise_ut1_julian_day; break;
            case HorizonEventKind::Set: time = day->set_ut1_julian_day; break;
            case HorizonEventKind::Transit: time = day->transit_ut1_julian_day; break;
        }
        if (time && *time > threshold) return HorizonEvent{*time, kind};
    }
    std::string text = "no ";
    text += name(kind);
    text += " of ";
    if (auto named = named_body(body)) {
        text += name(*named);
    } else {
        text += "body " + std::to_string(body);
    }
    text += " within 3 days after the query instant";
    return std::unexpected(OrvaneError::invalid_request(std::move(text)));
}

}  // namespace orvane
