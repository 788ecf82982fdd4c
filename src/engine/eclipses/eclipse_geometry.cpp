#include "engine/eclipses/eclipse_geometry.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

#include "core/body.hpp"
#include "core/constants.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/search/root_search.hpp"
#include "engine/time_errors.hpp"

namespace orvane {

std::expected<SunMoonVectors, OrvaneError> apparent_sun_moon(const SpkOrvane& engine, double tt_julian_day,
                                                             const Origin& origin) {
    PositionOptions options;
    options.origin = origin;
    options.coordinate_system = CoordinateSystem::Equatorial;
    options.reference_epoch = ReferenceEpoch::OfDate;
    options.apparent = true;
    const std::array<std::int32_t, 2> sun_and_moon{naif_code(Body::Sun), naif_code(Body::Moon)};
    const std::array<double, 1> day{tt_julian_day};
    // Right ascension, declination, distance, speed: Sun, then Moon.
    std::array<double, 8> places;
    auto done = engine.positions_into(sun_and_moon, InstantList(day, TimeScale::Tt), options, places);
    if (!done) return std::unexpected(std::move(done.error()));
    auto vector = [&](std::size_t i) {
        const double ra = places[i] * DEG_TO_RAD, dec = places[i + 1] * DEG_TO_RAD, r = places[i + 2] * AU_KM;
        return Vector3{r * std::cos(dec) * std::cos(ra), r * std::cos(dec) * std::sin(ra), r * std::sin(dec)};
    };
    return SunMoonVectors{vector(0), vector(4)};
}

std::expected<void, OrvaneError> require_earth_rotation(const SpkOrvane& engine, std::string_view search,
                                                        double tt_julian_day) {
    if (engine.leap_seconds && engine.earth_orientation) return {};
    if (earth_rotation_epochs(engine, TimeScale::Tt, tt_julian_day)) return {};
    return std::unexpected(
        missing_time_kernels(search, engine.leap_seconds.has_value(), engine.earth_orientation.has_value()));
}

double angle_between_units(const Vector3& a, const Vector3& b) {
    const double chord = norm(minus(a, b));
    return 2.0 * std::asin(std::min(1.0, chord / 2.0));
}

std::expected<double, OrvaneError> closest_approach(const OffsetFunction& offset, double guess) {
    constexpr double h = 1e-3;
    double day = guess;
    for (int iteration = 0; iteration < 30; ++iteration) {
        auto before = offset(day - h);
        if (!before) return std::unexpected(std::move(before.error()));
        auto now = offset(day);
        if (!now) return std::unexpected(std::move(now.error()));
        auto after = offset(day + h);
        if (!after) return std::unexpected(std::move(after.error()));
        Vector3 rate, bend;
        for (std::size_t i = 0; i < 3; ++i) {
            rate[i] = ((*after)[i] - (*before)[i]) / (2.0 * h);
            bend[i] = ((*after)[i] - 2.0 * (*now)[i] + (*before)[i]) / (h * h);
        }
        const double slope = dot(*now, rate);
        double curvature = dot(rate, rate) + dot(*now, bend);
        if (!(curvature > 0.0)) curvature = dot(rate, rate);
        double step = slope / curvature;
        if (!std::isfinite(step)) {
            return std::unexpected(OrvaneError::invalid_request("the eclipse geometry did not converge"));
        }
        step = std::clamp(step, -0.25, 0.25);
        day -= step;
        if (std::abs(step) < SEARCH_TOLERANCE_DAYS) return day;
    }
    return day;
}

}  // namespace orvane
