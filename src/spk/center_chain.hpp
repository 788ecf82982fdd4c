#pragma once
#include <cstdint>
#include <expected>
#include <span>
#include <vector>

#include "spk/spk_error.hpp"
#include "spk/spk_kernel.hpp"
#include "spk/state_vector.hpp"

// Barycentric states by walking each body's chain of centers down to the
// solar-system barycenter (code 0), link by link across the kernels in their
// order: the first kernel with a segment for the body at the epoch decides,
// and within a kernel the later segment in file order wins.
namespace orvane {

inline constexpr std::int32_t SOLAR_SYSTEM_BARYCENTER = 0;
// Longest chain of segments one epoch may walk; a longer one is taken for a cycle.
inline constexpr std::uint8_t MAX_CHAIN_SEGMENTS = 32;

// The barycentric state of `target` at each epoch (TDB seconds past J2000),
// written into `states` (as long as `epochs`). Epochs are walked together,
// one pass per chain link, each selected segment evaluated once per pass for
// all its epochs. One epoch is a batch of one: the same walk, without
// allocating once the thread has walked before. When `accelerations` is not
// empty (as long as `epochs`), the barycentric accelerations too, each link's
// from the same evaluation as its state (SpkKernel::evaluate_into).
std::expected<void, SpkError> barycentric_states_into(std::vector<SpkKernel>& kernels, std::int32_t target,
                                                      std::span<const double> epochs, std::span<StateVector> states,
                                                      std::span<Vector3> accelerations = {});

// The same walk for the barycentric positions alone (SpkKernel::evaluate_into
// with Evaluated::Positions): each position the same bits as
// barycentric_states_into gives, the velocities left unspecified. For what
// needs only a distance, as a light time's first estimate.
std::expected<void, SpkError> barycentric_positions_into(std::vector<SpkKernel>& kernels, std::int32_t target,
                                                         std::span<const double> epochs,
                                                         std::span<StateVector> states);

inline std::expected<std::vector<StateVector>, SpkError> barycentric_states_across_kernels(
    std::vector<SpkKernel>& kernels, std::int32_t target, std::span<const double> epochs) {
    std::vector<StateVector> states(epochs.size());
    auto done = barycentric_states_into(kernels, target, epochs, states);
    if (!done) return std::unexpected(std::move(done.error()));
    return states;
}

inline std::expected<StateVector, SpkError> barycentric_state_across_kernels(std::vector<SpkKernel>& kernels,
                                                                             std::int32_t target, double epoch) {
    StateVector state;
    auto done = barycentric_states_into(kernels, target, std::span<const double>(&epoch, 1),
                                        std::span<StateVector>(&state, 1));
    if (!done) return std::unexpected(std::move(done.error()));
    return state;
}

}  // namespace orvane
