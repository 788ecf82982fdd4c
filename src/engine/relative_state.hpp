#pragma once
#include <array>
#include <cstdint>
#include <expected>
#include <optional>
#include <vector>

#include "core/errors.hpp"
#include "core/vector.hpp"
#include "core/position_options.hpp"
#include "spk/spk_error.hpp"
#include "spk/spk_kernel.hpp"
#include "spk/state_vector.hpp"

// The state of a target relative to an origin body at one epoch, both
// walked to the solar-system barycenter through the kernels.
namespace orvane {

inline constexpr std::int32_t SUN_CODE = 10;

// The origin's barycentric state at the epoch, plus the observer's offset
// from it when one is given (a topocentric observer's geocentric state);
// with `acceleration`, the origin's barycentric acceleration from the same
// evaluation (the observer's own is the caller's to add).
std::expected<StateVector, SpkError> origin_barycentric_state(std::vector<SpkKernel>& kernels, std::int32_t origin,
                                                              double epoch,
                                                              const std::optional<StateVector>& observer_offset,
                                                              Vector3* acceleration = nullptr);

// The corrections applied to a relative state, in this order.
// With `full`, the deflection and the aberration of the full astrometric
// model (engine/full_corrections.hpp).
struct StateCorrections {
    bool light_time = false;
    bool gravitational_deflection = false;
    bool aberration = false;
    bool full = false;
};

inline StateCorrections state_corrections(const Corrections& corrections,
                                          AstrometryModel model = AstrometryModel::Standard) {
    return StateCorrections{corrections.light_time, corrections.gravitational_deflection, corrections.aberration,
                            model == AstrometryModel::Full};
}

// What every target seen from one origin at one epoch shares: the origin's
// barycentric state (plus observer offset), its acceleration once aberration
// needs it, and, once a deflection needs it, the Sun's barycentric state.
struct OriginAtEpoch {
    std::int32_t origin = 0;
    double epoch = 0.0;
    StateVector state{};
    std::array<double, 3> acceleration{};  // km/s²
    std::optional<StateVector> sun;
    // The full model's deflectors (Jupiter, Saturn, the Sun), once read.
    std::optional<std::array<StateVector, 3>> deflectors;
};

// With `with_acceleration`, the origin's barycentric acceleration is read
// from the same evaluation (origin_barycentric_state).
std::expected<OriginAtEpoch, SpkError> origin_at_epoch(std::vector<SpkKernel>& kernels, std::int32_t origin,
                                                       double epoch, const std::optional<StateVector>& observer_offset,
                                                       bool with_acceleration = false);

// The corrected state of `target` relative to an origin already evaluated at
// the epoch: the target's barycentric state, retarded by light time when
// asked (three iterations, the origin staying at the epoch; see
// settle_light_time), minus the origin's; then the Sun's deflection (unless
// target or origin is the Sun) and aberration with the origin's velocity.
// Fills the Sun's position on first use.
std::expected<StateVector, SpkError> relative_state_from(std::vector<SpkKernel>& kernels, std::int32_t target,
                                                         OriginAtEpoch& origin, const StateCorrections& corrections);

// Light-time iterations of a retarded target.
inline constexpr int LIGHT_TIME_ITERATIONS = 3;

// Seconds light takes from the target's barycentric position to the observer's.
double light_time_seconds(const StateVector& target, const StateVector& observer);

// The light-time iterations after the first. The first reads the target at
// the retarded epoch e = t − τ₁ (τ₁ from its state at t), as rounded; each
// later one moves that state along its velocity to the new retarded epoch,
// x(t − τ) = x(e) + ((t − e) − τ) v, instead of reading the kernel again.
// `retarded_by` is t − e, exact: the final state belongs to t − τ₃ itself,
// free of the rounding of an epoch counted in seconds since J2000 (a few
// tenths of a microsecond in this century, millimetres for the Moon). The
// shifts are at most τ₁ v/c (a third of a second for Pluto, a tenth for
// Mercury), over which a body's acceleration moves it less than a millimetre.
// The velocity returned is the rate of the retarded position in the
// observer's time, v(t − τ)(1 − dτ/dt), with
// dτ/dt = û·(v − v_obs) / (c + û·v) from c τ = |x(t − τ) − x_obs(t)|.
StateVector settle_light_time(const StateVector& retarded, double retarded_by, const StateVector& observer);

// Whether the Sun's deflection applies to a target seen from an origin.
bool deflected_by_the_sun(std::int32_t target, std::int32_t origin, const StateCorrections& corrections);

// The target's (retarded) barycentric state less the observer's, deflected by
// the Sun when its state is given, then aberrated when asked (the observer's
// acceleration gives the aberration's rate).
StateVector corrected_relative_state(const StateVector& target_state, const StateVector& observer,
                                     const std::array<double, 3>& observer_acceleration, const StateVector* sun,
                                     const StateCorrections& corrections);

// Refuses a non-topocentric request whose target is its own origin.
std::expected<void, OrvaneError> reject_identical_target_and_center(std::int32_t target, std::int32_t origin);

}  // namespace orvane
