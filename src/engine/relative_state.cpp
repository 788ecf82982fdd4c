#include "engine/relative_state.hpp"

#include <cmath>

#include "core/constants.hpp"
#include "spk/center_chain.hpp"
#include "engine/corrections.hpp"
#include "engine/full_corrections.hpp"
#include "engine/lane_corrections.hpp"

namespace orvane {

std::expected<StateVector, SpkError> origin_barycentric_state(std::vector<SpkKernel>& kernels, std::int32_t origin,
                                                              double epoch,
                                                              const std::optional<StateVector>& observer_offset,
                                                              Vector3* acceleration) {
    StateVector state;
    auto done = barycentric_states_into(kernels, origin, std::span<const double>(&epoch, 1),
                                        std::span<StateVector>(&state, 1),
                                        acceleration ? std::span<Vector3>(acceleration, 1) : std::span<Vector3>());
    if (!done) return std::unexpected(std::move(done.error()));
    if (observer_offset) return add_states(state, *observer_offset);
    return state;
}

std::expected<OriginAtEpoch, SpkError> origin_at_epoch(std::vector<SpkKernel>& kernels, std::int32_t origin,
                                                       double epoch, const std::optional<StateVector>& observer_offset,
                                                       bool with_acceleration) {
    OriginAtEpoch at{origin, epoch, {}, {}, std::nullopt, std::nullopt};
    auto state = origin_barycentric_state(kernels, origin, epoch, observer_offset,
                                          with_acceleration ? &at.acceleration : nullptr);
    if (!state) return std::unexpected(std::move(state.error()));
    at.state = *state;
    return at;
}

double light_time_seconds(const StateVector& target, const StateVector& observer) {
    StateVector between = subtract_states(target, observer);
    const auto& p = between.position;
    return std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]) * INVERSE_SPEED_OF_LIGHT_S_PER_KM;
}

// The arithmetic of the lanes (engine/lane_corrections.hpp), one lane.
StateVector settle_light_time(const StateVector& retarded, double retarded_by, const StateVector& observer) {
    LaneState<double> from, seen, moved;
    for (int i = 0; i < 3; ++i) {
        from.position[i] = retarded.position[i];
        from.velocity[i] = retarded.velocity[i];
        seen.position[i] = observer.position[i];
        seen.velocity[i] = observer.velocity[i];
    }
    double distance;
    lane_settle_light_time(from, retarded_by, seen, moved, distance);
    return StateVector{{moved.position[0], moved.position[1], moved.position[2]},
                       {moved.velocity[0], moved.velocity[1], moved.velocity[2]}};
}

bool deflected_by_the_sun(std::int32_t target, std::int32_t origin, const StateCorrections& corrections) {
    return corrections.gravitational_deflection && target != SUN_CODE && origin != SUN_CODE;
}

StateVector corrected_relative_state(const StateVector& target_state, const StateVector& observer,
                                     const std::array<double, 3>& observer_acceleration, const StateVector* sun,
                                     const StateCorrections& corrections) {
    StateVector relative = subtract_states(target_state, observer);
    if (sun != nullptr) relative = apply_solar_gravitational_deflection(relative, observer, *sun);
    if (corrections.aberration) {
        relative = apply_stellar_aberration(relative, observer.velocity, observer_acceleration);
    }
    return relative;
}

std::expected<StateVector, SpkError> relative_state_from(std::vector<SpkKernel>& kernels, std::int32_t target,
                                                         OriginAtEpoch& origin, const StateCorrections& corrections) {
    const StateVector& observer = origin.state;
    std::expected<StateVector, SpkError> target_state;
    if (corrections.light_time) {
        // The unretarded epoch gives only the first retarded one: the position alone.
        StateVector unretarded;
        auto done = barycentric_positions_into(kernels, target, std::span<const double>(&origin.epoch, 1),
                                               std::span<StateVector>(&unretarded, 1));
        if (!done) return std::unexpected(std::move(done.error()));
        const double retarded_epoch = origin.epoch - light_time_seconds(unretarded, observer);
        target_state = barycentric_state_across_kernels(kernels, target, retarded_epoch);
        if (!target_state) return std::unexpected(std::move(target_state.error()));
        target_state = settle_light_time(*target_state, origin.epoch - retarded_epoch, observer);
    } else {
        target_state = barycentric_state_across_kernels(kernels, target, origin.epoch);
        if (!target_state) return std::unexpected(std::move(target_state.error()));
    }
    if (corrections.full) {
        if (full_model_reads_deflectors(corrections) && !origin.deflectors) {
            DeflectorStates states;
            for (std::size_t k = 0; k < FULL_MODEL_DEFLECTORS.size(); ++k) {
                auto state = barycentric_state_across_kernels(kernels, FULL_MODEL_DEFLECTORS[k].code, origin.epoch);
                if (!state) return std::unexpected(std::move(state.error()));
                states[k] = *state;
            }
            origin.deflectors = states;
        }
        return full_corrected_relative_state(*target_state, target, origin.origin, observer, origin.acceleration,
                                             origin.deflectors ? *origin.deflectors : DeflectorStates{}, corrections);
    }
    const bool deflected = deflected_by_the_sun(target, origin.origin, corrections);
    if (deflected && !origin.sun) {
        auto sun = barycentric_state_across_kernels(kernels, SUN_CODE, origin.epoch);
        if (!sun) return std::unexpected(std::move(sun.error()));
        origin.sun = *sun;
    }
    return corrected_relative_state(*target_state, observer, origin.acceleration, deflected ? &*origin.sun : nullptr,
                                    corrections);
}

std::expected<void, OrvaneError> reject_identical_target_and_center(std::int32_t target, std::int32_t origin) {
    if (target == origin) {
        return std::unexpected(
            OrvaneError::invalid_request("spherical coordinates are undefined when target and origin are identical"));
    }
    return {};
}

}  // namespace orvane
