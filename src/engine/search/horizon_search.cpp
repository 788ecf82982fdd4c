#include "engine/search/horizon_search.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "core/observer/horizon.hpp"
#include "engine/search/horizon_track.hpp"
#include "engine/star_positions.hpp"

namespace orvane {
namespace {

constexpr double PI = std::numbers::pi;
// A Newton step this small ends a refinement (a tenth of a millisecond).
constexpr double LAST_STEP_DAYS = 1e-4 * ONE_SECOND_DAYS;
constexpr int MAX_STEPS = 50;
// A Newton step on the hour angle this small is the last one needed: the
// hour angle's rate changes by at most 0.02 of itself in a day (the Moon's),
// so the next step would be under 0.1 ms.
constexpr double NEAR_STEP_DAYS = 1e-4;

// x reduced to [−π, π).
double signed_angle(double x) {
    const double r = std::remainder(x, 2.0 * PI);
    return r >= PI ? r - 2.0 * PI : r;
}

// The sky of the place at a day, reduced to what the search uses.
struct Sky {
    double day = 0.0;
    double hour_angle = 0.0;       // (−π, π]
    double hour_angle_rate = 0.0;  // radians per day
    double declination = 0.0;
    double excess = 0.0;       // sin(altitude) − sin(requested altitude)
    double excess_rate = 0.0;  // per day
};

class Search {
public:
    Search(const HorizonTrack& track, const GeodeticObserver& observer, double altitude_deg)
        : track_(track),
          latitude_(observer.latitude_deg * DEG_TO_RAD),
          sin_latitude_(std::sin(latitude_)),
          cos_latitude_(std::cos(latitude_)),
          altitude_(altitude_deg * DEG_TO_RAD),
          sin_altitude_(std::sin(altitude_)) {}

    Sky operator()(double day) const {
        const SkyDirection d = track_.at(day);
        const Vector3& u = d.direction;
        const Vector3& du = d.rate;
        const double theta = d.local_sidereal_rad, c = std::cos(theta), s = std::sin(theta);
        // The zenith of the place (geodetic) and its rate.
        const Vector3 zenith{cos_latitude_ * c, cos_latitude_ * s, sin_latitude_};
        const Vector3 zenith_rate{-cos_latitude_ * s * d.local_sidereal_rate, cos_latitude_ * c * d.local_sidereal_rate,
                                  0.0};
        Sky sky;
        sky.day = day;
        const double equatorial = u[0] * u[0] + u[1] * u[1];
        sky.hour_angle = signed_angle(theta - std::atan2(u[1], u[0]));
        if (sky.hour_angle <= -PI) sky.hour_angle = PI;
        sky.hour_angle_rate =
            equatorial > 0.0 ? d.local_sidereal_rate - (u[0] * du[1] - u[1] * du[0]) / equatorial : d.local_sidereal_rate;
        sky.declination = std::atan2(u[2], std::sqrt(equatorial));
        sky.excess = dot(u, zenith) - sin_altitude_;
        sky.excess_rate = dot(du, zenith) + dot(u, zenith_rate);
        return sky;
    }

    // The instant near `day` at which the hour angle is `target`, with the
    // sky at the last place evaluated (within a Newton step of it, whose
    // next step would be under a microsecond: the hour angle's rate changes
    // by less than 1e-3 of itself in a day).
    struct Meridian {
        double day = 0.0;
        Sky sky;
    };
    Meridian hour_angle_at(double target, double day) const {
        Sky sky = (*this)(day);
        for (int step = 0; step < MAX_STEPS; ++step) {
            const double move = signed_angle(target - sky.hour_angle) / sky.hour_angle_rate;
            if (std::fabs(move) < NEAR_STEP_DAYS) return {sky.day + move, sky};
            sky = (*this)(sky.day + move);
        }
        return {sky.day, sky};
    }

    // The altitude's extreme near a transit as far as the crossings need it:
    // the transit itself when the extreme is surely on its side of the
    // requested altitude, else the extreme, by secant steps on the rate.
    Sky extreme_side(const Sky& transit) const {
        const double curvature = cos_latitude_ * std::cos(transit.declination) * transit.hour_angle_rate *
                                 transit.hour_angle_rate;
        if (!(curvature > 1e-6)) return transit;
        const double reach = transit.excess_rate * transit.excess_rate / curvature;
        if (std::fabs(transit.excess) > 2.0 * reach + 1e-12) return transit;
        const double sign = std::fabs(transit.hour_angle) < PI / 2.0 ? -1.0 : 1.0;  // the excess's curvature
        Sky a = transit;
        Sky b = (*this)(transit.day - transit.excess_rate / (sign * curvature));
        for (int step = 0; step < MAX_STEPS && b.excess_rate != a.excess_rate; ++step) {
            const double next = b.day - b.excess_rate * (b.day - a.day) / (b.excess_rate - a.excess_rate);
            if (!(std::fabs(next - transit.day) < 0.25)) break;
            a = b;
            b = (*this)(next);
            if (std::fabs(b.day - a.day) < 1e-7) break;
        }
        Sky best = -sign * b.excess > -sign * transit.excess ? b : transit;
        return best;
    }

    // The crossing between two extremes on opposite sides of the altitude:
    // Newton's method from the half arc at the upper transit's declination,
    // each step kept within the bracket (halving it otherwise).
    // A guess (from the crossings of the days before) is taken when it lies
    // within the bracket.
    double crossing(const Sky& from, const Sky& to, const Sky& upper, bool rising, double guess) const {
        double a = from.day, b = to.day;
        const bool above_at_a = from.excess > 0.0;
        double t = 0.5 * (a + b);
        if (guess > a && guess < b) {
            t = guess;
        } else if (auto arc = rise_set_hour_angle(latitude_, upper.declination, altitude_);
                   arc && arc->kind == HorizonCrossing::Kind::Crossing) {
            const double guess = upper.day + ((rising ? -1.0 : 1.0) * arc->half_arc_rad - upper.hour_angle) /
                                                 upper.hour_angle_rate;
            if (guess > a && guess < b) t = guess;
        }
        for (int step = 0; step < MAX_STEPS; ++step) {
            const Sky sky = (*this)(t);
            if (sky.excess == 0.0) return t;
            ((sky.excess > 0.0) == above_at_a ? a : b) = t;
            const double next = t - sky.excess / sky.excess_rate;
            const bool inside = next >= std::fmin(a, b) && next <= std::fmax(a, b);
            // The excess's curvature is at most about the square of the hour
            // angle's rate: a step whose square times curvature over rate is
            // below the last step is the last.
            const double move = std::fabs(next - t);
            if (inside && (move < LAST_STEP_DAYS ||
                           move * move * sky.hour_angle_rate * sky.hour_angle_rate < LAST_STEP_DAYS * std::fabs(sky.excess_rate))) {
                return next;
            }
            t = inside ? next : 0.5 * (a + b);
            if (std::fabs(b - a) < LAST_STEP_DAYS) break;
        }
        return t;
    }

private:
    const HorizonTrack& track_;
    double latitude_, sin_latitude_, cos_latitude_, altitude_, sin_altitude_;
};

std::expected<void, OrvaneError> check_request(const GeodeticObserver& observer, double start, double end,
                                               double altitude_deg) {
    if (!std::isfinite(altitude_deg)) {
        return std::unexpected(OrvaneError::invalid_request("horizon altitude must be finite"));
    }
    if (std::fabs(altitude_deg) > 90.0) {
        return std::unexpected(OrvaneError::invalid_request("horizon altitude must be within [-90, 90] degrees"));
    }
    if (auto valid = observer.validate(); !valid) return std::unexpected(OrvaneError::invalid_request(valid.error()));
    if (!std::isfinite(start) || !std::isfinite(end) || !(end >= start)) {
        return std::unexpected(OrvaneError::invalid_request("an event search needs a finite range with end >= start"));
    }
    if (end - start > HORIZON_SEARCH_MAX_DAYS) {
        return std::unexpected(OrvaneError::invalid_request("a horizon event search spans at most 40000 days"));
    }
    return {};
}

std::vector<FoundHorizonEvent> events_on(const HorizonTrack& track, const GeodeticObserver& observer, double start,
                                         double end, double altitude_deg) {
    const Search search(track, observer, altitude_deg);
    std::vector<FoundHorizonEvent> found;
    auto keep = [&](double day, std::string_view name) {
        if (day >= start && day <= end) found.push_back({day, name});
    };
    // The meridian crossings from a day before the range to a day after it,
    // alternately upper (hour angle 0) and lower (π).
    std::vector<Sky> transits;
    const Sky first = search(start - 1.0);
    double target = first.hour_angle < 0.0 ? 0.0 : PI;
    auto meridian =
        search.hour_angle_at(target, first.day + signed_angle(target - first.hour_angle) / first.hour_angle_rate);
    double previous = -INFINITY;
    while (meridian.day <= end + 1.0 && meridian.day > previous) {  // no progress: a body at a pole of the sky
        keep(meridian.day, target == 0.0 ? "transit" : "lower_transit");
        transits.push_back(meridian.sky);
        previous = meridian.day;
        target = target == 0.0 ? PI : 0.0;
        meridian = search.hour_angle_at(target, meridian.day + PI / meridian.sky.hour_angle_rate);
    }

    std::vector<Sky> extremes;
    extremes.reserve(transits.size());
    for (const Sky& transit : transits) extremes.push_back(search.extreme_side(transit));
    // Each crossing's offset from its upper transit moves smoothly from day
    // to day: the last two of each kind, on consecutive days, extrapolated
    // give the next one's first guess.
    struct Offsets {
        std::size_t at = 0;  // the index of the last upper transit with a crossing
        double last = NAN, before = NAN;
    } offsets[2];
    for (std::size_t k = 0; k + 1 < extremes.size(); ++k) {
        const Sky& from = extremes[k];
        const Sky& to = extremes[k + 1];
        if ((from.excess > 0.0) == (to.excess > 0.0)) continue;
        const bool rising = to.excess > 0.0;
        const std::size_t u = std::fabs(transits[k].hour_angle) < PI / 2.0 ? k : k + 1;
        const Sky& upper = transits[u];
        Offsets& kind = offsets[rising ? 0 : 1];
        double guess = NAN;
        if (kind.at + 2 == u) guess = upper.day + (std::isnan(kind.before) ? kind.last : 2.0 * kind.last - kind.before);
        const double day = search.crossing(from, to, upper, rising, guess);
        keep(day, rising ? "rise" : "set");
        kind.before = kind.at + 2 == u ? kind.last : NAN;
        kind.last = day - upper.day;
        kind.at = u;
    }
    std::sort(found.begin(), found.end(),
              [](const FoundHorizonEvent& a, const FoundHorizonEvent& b) { return a.ut1_julian_day < b.ut1_julian_day; });
    return found;
}

}  // namespace

std::expected<std::vector<FoundHorizonEvent>, OrvaneError> horizon_events_between(const SpkOrvane& engine,
                                                                                  std::int32_t body,
                                                                                  const GeodeticObserver& observer,
                                                                                  double start_ut1, double end_ut1,
                                                                                  double altitude_deg) {
    if (body == 399) {
        return std::unexpected(OrvaneError::invalid_request("the Earth does not rise or set for a place on it"));
    }
    if (auto valid = check_request(observer, start_ut1, end_ut1, altitude_deg); !valid) {
        return std::unexpected(valid.error());
    }
    // The body with the Sun in one batch (the Sun alone when it is the body).
    const std::int32_t bodies[2] = {body, 10};
    const std::span<const std::int32_t> sampled(bodies, body == 10 ? 1 : 2);
    const TrackSampler sampler = [&engine, sampled](InstantList days, const PositionOptions& options,
                                                    std::span<double> out) {
        return engine.positions_into(sampled, days, options, out);
    };
    auto track =
        HorizonTrack::build(engine, sampler, body != 10, observer, start_ut1, end_ut1, track_step_days(body));
    if (!track) return std::unexpected(std::move(track.error()));
    return events_on(*track, observer, start_ut1, end_ut1, altitude_deg);
}

std::expected<std::vector<FoundHorizonEvent>, OrvaneError> star_horizon_events_between(
    const SpkOrvane& engine, std::int32_t hip, const GeodeticObserver& observer, double start_ut1, double end_ut1,
    double altitude_deg) {
    auto stars = catalogue_stars(engine, std::span<const std::int32_t>(&hip, 1));
    if (!stars) return std::unexpected(std::move(stars.error()));
    if (auto valid = check_request(observer, start_ut1, end_ut1, altitude_deg); !valid) {
        return std::unexpected(valid.error());
    }
    const TrackSampler sampler = [&engine, &stars](InstantList days, const PositionOptions& options,
                                                   std::span<double> out) -> std::expected<void, OrvaneError> {
        const std::size_t count = days.size();
        std::vector<double> star(4 * count), sun(4 * count);
        auto done = star_positions_into(engine, std::span<const CatalogueStar>(*stars), days, options, star);
        if (!done) return done;
        const std::int32_t sun_code = 10;
        done = engine.positions_into(std::span<const std::int32_t>(&sun_code, 1), days, options, sun);
        if (!done) return done;
        for (std::size_t i = 0; i < count; ++i) {
            std::copy_n(&star[4 * i], 4, &out[8 * i]);
            std::copy_n(&sun[4 * i], 4, &out[8 * i + 4]);
        }
        return {};
    };
    auto track = HorizonTrack::build(engine, sampler, true, observer, start_ut1, end_ut1, STAR_TRACK_STEP_DAYS);
    if (!track) return std::unexpected(std::move(track.error()));
    return events_on(*track, observer, start_ut1, end_ut1, altitude_deg);
}

}  // namespace orvane
