// Many bodies at many instants: each instant converted and each frame built
// once, and without observer-dependent corrections each body's states come
// from one chain evaluation over all epochs.
#include "core/constants.hpp"
#include "spk/center_chain.hpp"
#include "engine/engine.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/output_frame.hpp"
#include "engine/relative_state.hpp"
#include "engine/request_options.hpp"

namespace orvane {

std::expected<std::vector<Position>, OrvaneError> SpkOrvane::positions(std::span<const Body> bodies,
                                                                       std::span<const Instant> instants,
                                                                       const PositionOptions& options) const {
    auto resolved = resolve_position_options(options);
    if (!resolved) return std::unexpected(resolved.error());
    std::size_t count = 0;
    if (__builtin_mul_overflow(instants.size(), bodies.size(), &count)) {
        return std::unexpected(OrvaneError::invalid_request("batch result length overflowed"));
    }

    bool topocentric = resolved->origin.kind == OriginKind::Topocentric;
    std::int32_t origin = origin_code(resolved->origin.kind);
    std::vector<std::int32_t> codes;
    codes.reserve(bodies.size());
    for (Body body : bodies) {
        codes.push_back(naif_code(body));
        if (!topocentric) {
            if (auto distinct = reject_identical_target_and_center(codes.back(), origin); !distinct) {
                return std::unexpected(distinct.error());
            }
        }
    }

    std::vector<double> epochs;
    epochs.reserve(instants.size());
    std::vector<StateVector> observers;
    if (topocentric) observers.reserve(instants.size());
    for (const Instant& instant : instants) {
        auto seconds = tdb_seconds(*this, instant.time_scale, instant.julian_day);
        if (!seconds) return std::unexpected(seconds.error());
        epochs.push_back(*seconds);
        if (topocentric) {
            auto observer =
                observer_gcrs_state(*this, resolved->origin.observer, instant.time_scale, instant.julian_day);
            if (!observer) return std::unexpected(observer.error());
            observers.push_back(*observer);
        }
    }

    std::vector<Position> result;
    result.reserve(count);
    const Corrections& c = resolved->corrections;
    auto frame_at = [&](std::size_t i) { return output_frame(*resolved, epochs[i] / SECONDS_PER_DAY + J2000_JULIAN_DAY); };

    if (!c.light_time && !c.aberration && !c.gravitational_deflection) {
        auto origin_states = barycentric_states_across_kernels(kernels, origin, epochs);
        if (!origin_states) return std::unexpected(spk_orvane_error(origin_states.error()));
        if (topocentric) {
            for (std::size_t i = 0; i < epochs.size(); ++i) {
                (*origin_states)[i] = add_states((*origin_states)[i], observers[i]);
            }
        }
        std::vector<std::vector<StateVector>> body_states;
        body_states.reserve(codes.size());
        for (std::int32_t code : codes) {
            auto states = barycentric_states_across_kernels(kernels, code, epochs);
            if (!states) return std::unexpected(spk_orvane_error(states.error()));
            body_states.push_back(std::move(*states));
        }
        for (std::size_t i = 0; i < epochs.size(); ++i) {
            OutputFrame frame = frame_at(i);
            for (std::size_t j = 0; j < codes.size(); ++j) {
                auto position = position_from_state(subtract_states(body_states[j][i], (*origin_states)[i]), frame);
                if (!position) return std::unexpected(position.error());
                result.push_back(*position);
            }
        }
        return result;
    }

    // The origin (and the Sun, for deflection) is evaluated once per instant
    // and shared by every body: the same states resolve_relative_state makes.
    StateCorrections corrections = state_corrections(c);
    for (std::size_t i = 0; i < epochs.size() && !codes.empty(); ++i) {
        OutputFrame frame = frame_at(i);
        std::optional<StateVector> observer_offset;
        if (topocentric) observer_offset = observers[i];
        auto origin_state = origin_at_epoch(kernels, origin, epochs[i], observer_offset);
        if (!origin_state) return std::unexpected(spk_orvane_error(origin_state.error()));
        for (std::int32_t code : codes) {
            auto state = relative_state_from(kernels, code, *origin_state, corrections);
            if (!state) return std::unexpected(spk_orvane_error(state.error()));
            auto position = position_from_state(*state, frame);
            if (!position) return std::unexpected(position.error());
            result.push_back(*position);
        }
    }
    return result;
}

}  // namespace orvane
