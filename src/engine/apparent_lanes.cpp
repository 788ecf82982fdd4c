#include "engine/apparent_lanes.hpp"
#include <cstdint>

#include "core/constants.hpp"
#include "core/frames/j2000_ecliptic.hpp"
#include "core/frames/lane_spherical.hpp"
#include "core/fused_multiply_add.hpp"

namespace orvane {
namespace {

using Lanes = ApparentLanes;
using LaneMask = std::int64_t __attribute__((vector_size(APPARENT_LANES * sizeof(double))));

// The lane a filled lane reads: unfilled ones repeat the first.
std::size_t source(std::size_t j, std::size_t count) { return j < count ? j : 0; }

// The lanes of the states at the group's instants, unfilled lanes repeating
// the first (built whole, not lane by lane through memory).
void set_states(LaneState<Lanes>& lanes, const StateVector* states, std::size_t count) {
    for (int i = 0; i < 3; ++i) {
        Lanes position, velocity;
        for (std::size_t j = 0; j < APPARENT_LANES; ++j) {
            position[j] = states[source(j, count)].position[i];
            velocity[j] = states[source(j, count)].velocity[i];
        }
        lanes.position[i] = position;
        lanes.velocity[i] = velocity;
    }
}

// All lanes where every one of the values is finite (x·0 is 0 for a finite
// x, NaN otherwise).
template <std::size_t N>
[[gnu::always_inline]] inline void all_finite(const Lanes (&values)[N], LaneMask& out) {
    Lanes sum = values[0] * 0.0;
    for (std::size_t k = 1; k < N; ++k) sum = sum + values[k] * 0.0;
    out = sum == sum;
}

}  // namespace

ORVANE_FMA_CLONES void gather_apparent_instants(const StateVector* observers, const Vector3* accelerations,
                                                const OutputFrame* frames, std::size_t count, ApparentInstants& out) {
    out.count = count;
    set_states(out.observer, observers, count);
    Lanes acceleration[3];
    for (std::size_t j = 0; j < APPARENT_LANES; ++j) {
        const std::size_t k = source(j, count);
        for (int i = 0; i < 3; ++i) acceleration[i][j] = accelerations ? accelerations[k][i] : 0.0;
        if (frames[k].kind == OutputFrame::Kind::OfDate) set_lane(out.rotation, j, frames[k].rotation);
    }
    for (int i = 0; i < 3; ++i) {
        out.aberration_shift[i] = LaneDual<Lanes>{out.observer.velocity[i], acceleration[i]} * INVERSE_SPEED_OF_LIGHT_S_PER_KM;
    }
}

ORVANE_FMA_CLONES void gather_apparent_sun(const StateVector* suns, ApparentInstants& out) {
    LaneState<Lanes> sun;
    set_states(sun, suns, out.count);
    lane_sun_from_observer(out.observer, sun, out.sun);
}

ORVANE_FMA_CLONES unsigned apparent_positions(const ApparentInstants& instants, const StateVector* targets,
                                              const double* epochs, const double* retarded, bool deflected,
                                              const ApparentSettings& settings, Position* out) {
    const std::size_t count = instants.count;
    LaneState<Lanes> target;
    set_states(target, targets, count);
    Lanes retarded_by{};
    for (std::size_t j = 0; j < APPARENT_LANES && settings.light_time; ++j) {
        retarded_by[j] = epochs[source(j, count)] - retarded[source(j, count)];
    }
    Lanes distance;
    if (settings.light_time) {
        LaneState<Lanes> moved;
        lane_settle_light_time(target, retarded_by, instants.observer, moved, distance);
        target = moved;
    }
    LaneDual<Lanes> p[3];
    for (int i = 0; i < 3; ++i) {
        p[i] = {target.position[i] - instants.observer.position[i], target.velocity[i] - instants.observer.velocity[i]};
    }
    if (deflected) lane_solar_deflection(p, instants.sun, settings.light_time ? &distance : nullptr);
    if (settings.aberration) lane_stellar_aberration(p, instants.aberration_shift);

    Lanes position[3] = {p[0].value, p[1].value, p[2].value}, velocity[3] = {p[0].rate, p[1].rate, p[2].rate};
    LaneMask corrected_finite, finite;
    all_finite(position, corrected_finite);
    all_finite(velocity, finite);
    corrected_finite &= finite;
    switch (settings.frame) {
        case OutputFrame::Kind::OfDate: apply_lanes(instants.rotation, settings.equatorial, position, velocity); break;
        case OutputFrame::Kind::J2000Ecliptic:
            turn_to_j2000_ecliptic(position[1], position[2]);
            turn_to_j2000_ecliptic(velocity[1], velocity[2]);
            break;
        case OutputFrame::Kind::J2000Equatorial: break;
    }
    LaneMask rotated_finite;
    all_finite(position, rotated_finite);
    all_finite(velocity, finite);
    rotated_finite &= finite;
    LaneSpherical<Lanes> spherical;
    lane_spherical(position, velocity[0], velocity[1], spherical);
    const Lanes distance_au = spherical.distance_km / AU_KM;
    const Lanes delivered[4] = {spherical.longitude_deg, spherical.latitude_deg, distance_au,
                                spherical.longitude_rate_deg_per_day};
    // rho2 zero: at the origin (r2 zero too) or on the z axis.
    all_finite(delivered, finite);
    const LaneMask good = corrected_finite & rotated_finite & (spherical.rho2 != 0.0) & finite;
    unsigned failed = 0;
    for (std::size_t j = 0; j < count; ++j) {
        if (!good[j]) {
            failed |= 1u << j;
            continue;
        }
        out[j] = Position{spherical.longitude_deg[j], spherical.latitude_deg[j], distance_au[j],
                          spherical.longitude_rate_deg_per_day[j]};
    }
    return failed;
}

}  // namespace orvane
