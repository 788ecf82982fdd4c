#include "engine/horizon_events.hpp"

#include <cmath>
#include <numbers>
#include <string>

#include "core/angles.hpp"
#include "core/constants.hpp"
#include "core/earth_rotation.hpp"
#include "core/horizon.hpp"
#include "engine/instant_conversion.hpp"

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

// Hour angle in (−π, π].
double reduce_hour_angle(double angle) {
    const double h = reduce_radians_signed(angle);
    return h <= -std::numbers::pi ? std::numbers::pi : h;
}

OrvaneError no_crossing() { return OrvaneError::invalid_request("body does not cross the requested altitude"); }

// The body's local hour angle and declination (radians) at a UT1 day.
struct LocalPlace {
    double hour_angle = 0.0;
    double declination = 0.0;
};

std::expected<LocalPlace, OrvaneError> local_place(const SpkOrvane& engine, Body body,
                                                   const GeodeticObserver& observer, const PositionOptions& options,
                                                   double day) {
    auto epochs = earth_rotation_epochs(engine, TimeScale::Ut1, day);
    if (!epochs) return std::unexpected(std::move(epochs.error()));
    auto place = engine.position(body, Instant{day, TimeScale::Ut1}, options);
    if (!place) return std::unexpected(std::move(place.error()));
    const double sidereal_time = local_apparent_sidereal_time_iau2006(
        observer.longitude_east_deg * DEG_TO_RAD, epochs->ut1_julian_day, epochs->tt_julian_day);
    return LocalPlace{reduce_hour_angle(sidereal_time - place->longitude_deg * DEG_TO_RAD),
                      place->latitude_deg * DEG_TO_RAD};
}

// The UT1 day after one fixed-point step from `day` towards the hour angle
// `target`: the hour angle still to go, in (−π, π], at the Earth's rotation rate.
double step_towards(double day, double target, double hour_angle) {
    const double to_go = reduce_radians_signed(target - hour_angle);
    return day + (to_go <= -std::numbers::pi ? HALF_TURN_UT1_DAYS : to_go / HOUR_ANGLE_RATE_RAD_PER_UT1_DAY);
}

// `steps` fixed-point steps from `start` towards the nearest instant at which
// the body's hour angle is `target`.
std::expected<double, OrvaneError> refine_hour_angle(const SpkOrvane& engine, Body body,
                                                     const GeodeticObserver& observer, double target, double start,
                                                     int steps) {
    const PositionOptions options = horizon_options(observer);
    double day = start;
    for (int step = 0; step < steps; ++step) {
        auto place = local_place(engine, body, observer, options, day);
        if (!place) return std::unexpected(std::move(place.error()));
        day = step_towards(day, target, place->hour_angle);
    }
    return day;
}

// sin(altitude) − sin(requested altitude) of the body at a UT1 day: positive
// while the body is above the requested altitude.
class AltitudeExcess {
public:
    AltitudeExcess(const SpkOrvane& engine, Body body, const GeodeticObserver& observer, double altitude_deg)
        : engine_(engine),
          body_(body),
          observer_(observer),
          options_(horizon_options(observer)),
          sin_latitude_(std::sin(observer.latitude_deg * DEG_TO_RAD)),
          cos_latitude_(std::cos(observer.latitude_deg * DEG_TO_RAD)),
          sin_altitude_(std::sin(altitude_deg * DEG_TO_RAD)) {}

    std::expected<double, OrvaneError> operator()(double day) const {
        auto place = local_place(engine_, body_, observer_, options_, day);
        if (!place) return std::unexpected(std::move(place.error()));
        const double sin_altitude = sin_latitude_ * std::sin(place->declination) +
                                    cos_latitude_ * std::cos(place->declination) * std::cos(place->hour_angle);
        return sin_altitude - sin_altitude_;
    }

private:
    const SpkOrvane& engine_;
    Body body_;
    GeodeticObserver observer_;
    PositionOptions options_;
    double sin_latitude_, cos_latitude_, sin_altitude_;
};

// Between two culminations the altitude changes one way; the crossing of the
// requested altitude between `from` and `to` (excess values at both ends
// given), or none when both ends are on the same side.
constexpr double CROSSING_TOLERANCE_DAYS = 1e-3 * ONE_SECOND_DAYS;
constexpr int CROSSING_MAX_EVALUATIONS = 60;

std::expected<std::optional<double>, OrvaneError> crossing_between(const AltitudeExcess& excess, double from,
                                                                   double excess_from, double to, double excess_to) {
    if ((excess_from > 0.0) == (excess_to > 0.0)) return std::optional<double>{};
    // Regula falsi with the Illinois modification: the bracket always holds
    // the crossing and shrinks on both sides.
    double a = from, fa = excess_from, b = to, fb = excess_to;
    int kept_side = 0;
    for (int evaluation = 0; evaluation < CROSSING_MAX_EVALUATIONS && std::fabs(b - a) > CROSSING_TOLERANCE_DAYS;
         ++evaluation) {
        double c = (a * fb - b * fa) / (fb - fa);
        if (!(c > std::fmin(a, b) && c < std::fmax(a, b))) c = 0.5 * (a + b);
        auto fc = excess(c);
        if (!fc) return std::unexpected(std::move(fc.error()));
        if (*fc == 0.0) return std::optional<double>{c};
        if ((*fc > 0.0) == (fb > 0.0)) {
            b = c;
            fb = *fc;
            if (kept_side == -1) fa *= 0.5;
            kept_side = -1;
        } else {
            a = c;
            fa = *fc;
            if (kept_side == 1) fb *= 0.5;
            kept_side = 1;
        }
    }
    return std::optional<double>{(a * fb - b * fa) / (fb - fa)};
}

// Fixed-point steps for a culmination: the altitude is nearly stationary
// there, so a few steps start the search for its extreme well enough.
constexpr int LOWER_CULMINATION_STEPS = 4;
constexpr int TRANSIT_STEPS = 8;
// Half the span of the first parabola through the altitude around a
// culmination, and of the second one around its vertex.
constexpr double EXTREME_SPAN_DAYS = 1.0 / 48.0;
constexpr double EXTREME_REFINED_SPAN_DAYS = 1.0 / 384.0;

struct Extreme {
    double day = 0.0;
    double excess = 0.0;
};

// The highest (sign +1) or lowest (sign -1) altitude near a culmination. The
// body's own motion in declination moves it off the meridian by up to an hour
// or so at high latitudes, and a body that grazes the requested altitude
// crosses it there or nowhere: two parabolas through the altitude, the second
// around the vertex of the first, find it.
std::expected<Extreme, OrvaneError> extreme_near(const AltitudeExcess& excess, double culmination, double sign) {
    Extreme best{culmination, 0.0};
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
            auto value = excess(day);
            if (!value) return std::unexpected(std::move(value.error()));
            values[i] = *value;
            if (first || sign * *value > sign * best.excess) best = Extreme{day, *value};
            first = false;
        }
        // Vertex of the parabola through the three values, kept within two spans.
        const double curvature = values[0] - 2.0 * values[1] + values[2];
        double offset = sign * curvature < 0.0 ? 0.5 * (values[0] - values[2]) / curvature : 0.0;
        offset = std::fmax(-2.0, std::fmin(2.0, offset));
        centre += offset * span;
        auto value = excess(centre);
        if (!value) return std::unexpected(std::move(value.error()));
        if (sign * *value > sign * best.excess) best = Extreme{centre, *value};
        centre = best.day;
    }
    return best;
}

}  // namespace

std::expected<double, OrvaneError> refine_horizon_event(const SpkOrvane& engine, Body body,
                                                        const GeodeticObserver& observer, HorizonEventKind target,
                                                        double start_ut1, double altitude_deg) {
    if (target == HorizonEventKind::Transit) {
        return refine_hour_angle(engine, body, observer, 0.0, start_ut1, TRANSIT_STEPS);
    }
    const double latitude = observer.latitude_deg * DEG_TO_RAD;
    const double altitude = altitude_deg * DEG_TO_RAD;
    const PositionOptions options = horizon_options(observer);
    double day = start_ut1;
    for (int step = 0; step < TRANSIT_STEPS; ++step) {
        auto place = local_place(engine, body, observer, options, day);
        if (!place) return std::unexpected(std::move(place.error()));
        auto crossing = rise_set_hour_angle(latitude, place->declination, altitude);
        if (!crossing) return std::unexpected(OrvaneError::invalid_request(crossing.error()));
        if (crossing->kind != HorizonCrossing::Kind::Crossing) return std::unexpected(no_crossing());
        const double target_hour_angle =
            target == HorizonEventKind::Rise ? -crossing->half_arc_rad : crossing->half_arc_rad;
        day = step_towards(day, target_hour_angle, place->hour_angle);
    }
    return day;
}

std::expected<RiseSetTransit, OrvaneError> rise_set_transit(const SpkOrvane& engine, Body body,
                                                            const GeodeticObserver& observer, Instant around,
                                                            double altitude_deg) {
    if (body != Body::Sun && body != Body::Moon) return std::unexpected(OrvaneError::unsupported_body(body));
    if (!std::isfinite(altitude_deg)) {
        return std::unexpected(OrvaneError::invalid_request("horizon altitude must be finite"));
    }
    if (std::fabs(altitude_deg) > 90.0) {
        return std::unexpected(OrvaneError::invalid_request("horizon altitude must be within [-90, 90] degrees"));
    }
    if (auto valid = observer.validate(); !valid) return std::unexpected(OrvaneError::invalid_request(valid.error()));
    auto epochs = earth_rotation_epochs(engine, around.time_scale, around.julian_day);
    if (!epochs) return std::unexpected(std::move(epochs.error()));

    RiseSetTransit result;
    auto transit = refine_hour_angle(engine, body, observer, 0.0, epochs->ut1_julian_day, TRANSIT_STEPS);
    if (!transit) return std::unexpected(std::move(transit.error()));
    result.transit_ut1_julian_day = *transit;

    // The altitude rises from its lowest near the lower culmination before the
    // transit to its highest near the transit, then falls to its lowest near
    // the lower culmination after it: the rise is looked for on the way up,
    // the set on the way down.
    auto before = refine_hour_angle(engine, body, observer, std::numbers::pi, *transit - HALF_TURN_UT1_DAYS,
                                    LOWER_CULMINATION_STEPS);
    if (!before) return std::unexpected(std::move(before.error()));
    auto after = refine_hour_angle(engine, body, observer, std::numbers::pi, *transit + HALF_TURN_UT1_DAYS,
                                   LOWER_CULMINATION_STEPS);
    if (!after) return std::unexpected(std::move(after.error()));
    const AltitudeExcess excess(engine, body, observer, altitude_deg);
    auto lowest_before = extreme_near(excess, *before, -1.0);
    if (!lowest_before) return std::unexpected(std::move(lowest_before.error()));
    auto highest = extreme_near(excess, *transit, 1.0);
    if (!highest) return std::unexpected(std::move(highest.error()));
    auto lowest_after = extreme_near(excess, *after, -1.0);
    if (!lowest_after) return std::unexpected(std::move(lowest_after.error()));

    if (lowest_before->excess <= 0.0) {
        auto rise = crossing_between(excess, lowest_before->day, lowest_before->excess, highest->day,
                                     highest->excess);
        if (!rise) return std::unexpected(std::move(rise.error()));
        result.rise_ut1_julian_day = *rise;
    }
    if (lowest_after->excess <= 0.0) {
        auto set = crossing_between(excess, highest->day, highest->excess, lowest_after->day, lowest_after->excess);
        if (!set) return std::unexpected(std::move(set.error()));
        result.set_ut1_julian_day = *set;
    }
    return result;
}
std::expected<HorizonEvent, OrvaneError> next_horizon_event(const SpkOrvane& engine, Body body,
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
    text += name(body);
    text += " within 3 days after the query instant";
    return std::unexpected(OrvaneError::invalid_request(std::move(text)));
}

}  // namespace orvane
