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

}  // namespace

std::expected<double, OrvaneError> refine_horizon_event(const SpkOrvane& engine, Body body,
                                                        const GeodeticObserver& observer, HorizonEventKind target,
                                                        double start_ut1, double altitude_deg) {
    const double latitude = observer.latitude_deg * DEG_TO_RAD;
    const double east_longitude = observer.longitude_east_deg * DEG_TO_RAD;
    const double altitude = altitude_deg * DEG_TO_RAD;
    const PositionOptions options = horizon_options(observer);
    double day = start_ut1;
    for (int step = 0; step < 8; ++step) {
        auto epochs = earth_rotation_epochs(engine, TimeScale::Ut1, day);
        if (!epochs) return std::unexpected(std::move(epochs.error()));
        auto place = engine.position(body, Instant{day, TimeScale::Ut1}, options);
        if (!place) return std::unexpected(std::move(place.error()));
        const double right_ascension = place->longitude_deg * DEG_TO_RAD;
        const double declination = place->latitude_deg * DEG_TO_RAD;
        const double sidereal_time =
            local_apparent_sidereal_time_iau2006(east_longitude, epochs->ut1_julian_day, epochs->tt_julian_day);
        const double hour_angle = reduce_hour_angle(sidereal_time - right_ascension);
        double target_hour_angle = 0.0;
        if (target != HorizonEventKind::Transit) {
            auto crossing = rise_set_hour_angle(latitude, declination, altitude);
            if (!crossing) return std::unexpected(OrvaneError::invalid_request(crossing.error()));
            if (crossing->kind != HorizonCrossing::Kind::Crossing) return std::unexpected(no_crossing());
            target_hour_angle = target == HorizonEventKind::Rise ? -crossing->half_arc_rad : crossing->half_arc_rad;
        }
        const double to_go = reduce_radians_signed(target_hour_angle - hour_angle);
        day += to_go <= -std::numbers::pi ? HALF_TURN_UT1_DAYS : to_go / HOUR_ANGLE_RATE_RAD_PER_UT1_DAY;
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
    auto transit =
        refine_horizon_event(engine, body, observer, HorizonEventKind::Transit, epochs->ut1_julian_day, altitude_deg);
    if (!transit) return std::unexpected(std::move(transit.error()));
    result.transit_ut1_julian_day = *transit;

    auto place = engine.position(body, Instant{*transit, TimeScale::Ut1}, horizon_options(observer));
    if (!place) return std::unexpected(std::move(place.error()));
    auto crossing = rise_set_hour_angle(observer.latitude_deg * DEG_TO_RAD, place->latitude_deg * DEG_TO_RAD,
                                        altitude_deg * DEG_TO_RAD);
    if (!crossing) return std::unexpected(OrvaneError::invalid_request(crossing.error()));
    if (crossing->kind != HorizonCrossing::Kind::Crossing) return result;

    auto rise = refine_horizon_event(engine, body, observer, HorizonEventKind::Rise, *transit, altitude_deg);
    if (!rise) return std::unexpected(std::move(rise.error()));
    auto set = refine_horizon_event(engine, body, observer, HorizonEventKind::Set, *transit, altitude_deg);
    if (!set) return std::unexpected(std::move(set.error()));
    result.rise_ut1_julian_day = *rise;
    result.set_ut1_julian_day = *set;
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
