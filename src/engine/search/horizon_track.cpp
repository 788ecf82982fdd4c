#include "engine/search/horizon_track.hpp"

#include <algorithm>
#include <cmath>

#include "core/cartesian_state.hpp"
#include "core/constants.hpp"
#include "core/frames/earth_rotation.hpp"
#include "core/frames/nutation.hpp"
#include "core/observer/observer.hpp"
#include "engine/corrections.hpp"
#include "engine/instant_conversion.hpp"

namespace orvane {
namespace {

// Nodes of the interpolation around the interval [0, 1]: −2 … 3.
constexpr int NODES = 6;
constexpr int NODE_OFFSET = 2;
// 1 / Π_{m≠j} (j − m) over the nodes, j = −2 … 3.
constexpr double LAGRANGE_SCALES[NODES] = {-1.0 / 120.0, 1.0 / 24.0, -1.0 / 12.0, 1.0 / 12.0, -1.0 / 24.0, 1.0 / 120.0};

// The nominal angular velocity of the Earth the pipeline gives an observer's
// velocity (core/observer), radians per second.
constexpr double EARTH_ROTATION_RATE_RAD_PER_S = 7.292115e-5;

// The geocentric apparent place of date without the Sun's deflection.
PositionOptions sampled_options() {
    PositionOptions options;
    options.origin.kind = OriginKind::Geocentric;
    options.coordinate_system = CoordinateSystem::Equatorial;
    options.reference_epoch = ReferenceEpoch::OfDate;
    options.corrections.light_time = true;
    options.corrections.aberration = true;
    options.corrections.precession = true;
    options.corrections.nutation = true;
    return options;
}

Vector3 cartesian_km(const double* position) {
    const double ra = position[0] * DEG_TO_RAD, dec = position[1] * DEG_TO_RAD, r = position[2] * AU_KM;
    return {r * std::cos(dec) * std::cos(ra), r * std::cos(dec) * std::sin(ra), r * std::sin(dec)};
}

// The Lagrange weights of the six nodes at s (0 ≤ s < 1 between nodes 0
// and 1) and their derivatives in s.
void lagrange_weights(double s, double (&weights)[NODES], double (&rates)[NODES]) {
    double d[NODES];
    for (int m = 0; m < NODES; ++m) d[m] = s - (m - NODE_OFFSET);
    for (int j = 0; j < NODES; ++j) {
        double product = 1.0, derivative = 0.0;
        for (int m = 0; m < NODES; ++m) {
            if (m == j) continue;
            derivative = derivative * d[m] + product;
            product *= d[m];
        }
        weights[j] = product * LAGRANGE_SCALES[j];
        rates[j] = derivative * LAGRANGE_SCALES[j];
    }
}

}  // namespace

double track_step_days(std::int32_t body) {
    switch (body) {
        case 301: return 0.125;
        case 10: case 4: case 499: case 5: case 599: case 6: case 699: case 7: case 799: case 8: case 899: case 9:
        case 999:
            return 2.0;
        default: return 1.0;
    }
}

std::expected<HorizonTrack, OrvaneError> HorizonTrack::build(const SpkOrvane& engine, const TrackSampler& sampler,
                                                             bool deflected, const GeodeticObserver& observer,
                                                             double start_ut1, double end_ut1, double step) {
    const double pad = 1.5 + (NODE_OFFSET + 1) * step;
    const double first = std::floor((start_ut1 - pad) / step), last = std::ceil((end_ut1 + pad) / step);
    const auto count = static_cast<std::size_t>(last - first) + 1;
    std::vector<double> days(count);
    for (std::size_t i = 0; i < count; ++i) days[i] = (first + static_cast<double>(i)) * step;

    HorizonTrack track;
    track.first_node_ = days.front();
    track.step_ = step;
    track.terrestrial_ = observer_terrestrial_km(observer);
    track.longitude_rad_ = observer.longitude_east_deg * DEG_TO_RAD;

    const PositionOptions options = sampled_options();
    const std::size_t row = deflected ? 8 : 4;
    std::vector<double> values(row * count);
    auto sampled = sampler(InstantList(days, TimeScale::Ut1), options, values);
    if (!sampled) return std::unexpected(std::move(sampled.error()));
    track.body_.resize(count);
    for (std::size_t i = 0; i < count; ++i) track.body_[i] = cartesian_km(&values[row * i]);
    if (deflected) {
        track.sun_.resize(count);
        for (std::size_t i = 0; i < count; ++i) track.sun_[i] = cartesian_km(&values[row * i + 4]);
    }

    // GAST − ERA at the nodes: TT from UT1 by the offset at the first node
    // (it drifts by under a second a year, which moves this by 1e-10 rad).
    auto epochs = earth_rotation_epochs(engine, TimeScale::Ut1, days.front());
    if (!epochs) return std::unexpected(std::move(epochs.error()));
    const double tt_less_ut1 = epochs->tt_julian_day - epochs->ut1_julian_day;
    track.sidereal_offset_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double tt = days[i] + tt_less_ut1;
        const double gast = greenwich_apparent_sidereal_time_iau2006(days[i], tt, nutation_iau2000b(tt));
        track.sidereal_offset_[i] = std::remainder(gast - earth_rotation_angle(days[i]), TWO_PI);
    }
    return track;
}

SkyDirection HorizonTrack::at(double ut1_julian_day) const {
    const double x = (ut1_julian_day - first_node_) / step_;
    const auto highest = static_cast<double>(body_.size() - NODES);
    const double base = std::clamp(std::floor(x) - NODE_OFFSET, 0.0, highest);
    const auto i0 = static_cast<std::size_t>(base);
    double w[NODES], dw[NODES];
    lagrange_weights(x - base - NODE_OFFSET, w, dw);
    const double per_day = 1.0 / step_;

    CartesianState body{}, sun{};
    double offset = 0.0, offset_rate = 0.0;
    for (int j = 0; j < NODES; ++j) {
        const Vector3& b = body_[i0 + j];
        for (int k = 0; k < 3; ++k) {
            body.position[k] += w[j] * b[k];
            body.velocity[k] += dw[j] * per_day * b[k];
        }
        if (!sun_.empty()) {
            const Vector3& s = sun_[i0 + j];
            for (int k = 0; k < 3; ++k) {
                sun.position[k] += w[j] * s[k];
                sun.velocity[k] += dw[j] * per_day * s[k];
            }
        }
        offset += w[j] * sidereal_offset_[i0 + j];
        offset_rate += dw[j] * per_day * sidereal_offset_[i0 + j];
    }

    // The observer on the true equator and equinox of date, turned by the
    // Greenwich apparent sidereal time, with its rate (km, km per day), and
    // its velocity and acceleration as the pipeline takes them (km/s, km/s
    // per day).
    const double gast = earth_rotation_angle(ut1_julian_day) + offset;
    const double gast_rate = EARTH_ROTATION_RAD_PER_UT1_DAY + offset_rate;
    const double c = std::cos(gast), s = std::sin(gast);
    const Vector3& r = terrestrial_;
    const Vector3 o{r[0] * c - r[1] * s, r[0] * s + r[1] * c, r[2]};
    const Vector3 o_rate{-o[1] * gast_rate, o[0] * gast_rate, 0.0};
    const Vector3 velocity{-EARTH_ROTATION_RATE_RAD_PER_S * o[1], EARTH_ROTATION_RATE_RAD_PER_S * o[0], 0.0};
    const Vector3 acceleration{-EARTH_ROTATION_RATE_RAD_PER_S * o_rate[1], EARTH_ROTATION_RATE_RAD_PER_S * o_rate[0],
                               0.0};

    CartesianState relative{};
    for (int k = 0; k < 3; ++k) {
        relative.position[k] = body.position[k] - o[k];
        relative.velocity[k] = body.velocity[k] - o_rate[k];
    }
    if (!sun_.empty()) {
        CartesianState sun_seen{};
        for (int k = 0; k < 3; ++k) {
            sun_seen.position[k] = sun.position[k] - o[k];
            sun_seen.velocity[k] = sun.velocity[k] - o_rate[k];
        }
        relative = apply_solar_gravitational_deflection(relative, CartesianState{}, sun_seen);
    }
    relative = apply_stellar_aberration(relative, velocity, acceleration);

    const Vector3& p = relative.position;
    const Vector3& v = relative.velocity;
    const double length = std::sqrt(dot(p, p));
    const double radial = dot(p, v) / length;
    SkyDirection out;
    for (int k = 0; k < 3; ++k) {
        out.direction[k] = p[k] / length;
        out.rate[k] = (v[k] - out.direction[k] * radial) / length;
    }
    out.local_sidereal_rad = gast + longitude_rad_;
    out.local_sidereal_rate = gast_rate;
    return out;
}

}  // namespace orvane
