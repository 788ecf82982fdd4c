#pragma once
#include <array>
#include <cstdint>

#include "core/vector.hpp"
#include "engine/relative_state.hpp"
#include "spk/state_vector.hpp"

// The corrections of the full astrometric model: light deflection by the Sun,
// Jupiter and Saturn (as ERFA ldn), then aberration to all orders (ERFA ab).
namespace orvane {

// A body whose gravity deflects light: its NAIF code (the system barycentre
// for the giant planets, whose moons deflect as part of it), its mass in
// solar masses and the limiter near its limb.
struct Deflector {
    std::int32_t code = 0;
    double mass_ratio = 0.0;
    double limiter = 0.0;
};

// Jupiter, Saturn and the Sun in the order ERFA's ldn example applies them
// (ERFA atciqn); the giant planets' masses are the IAU 2009 ratios (Sun /
// Jupiter system 1047.3486, Sun / Saturn system 3497.898), the limiters
// those of the example.
inline constexpr std::array<Deflector, 3> FULL_MODEL_DEFLECTORS{{
    {5, 1.0 / 1047.3486, 3e-9},
    {6, 1.0 / 3497.898, 3e-10},
    {SUN_CODE, 1.0, 6e-6},
}};

// The deflectors' barycentric states at one epoch, in the order above.
using DeflectorStates = std::array<StateVector, FULL_MODEL_DEFLECTORS.size()>;

// Whether the deflector bends the light of `target` seen from `origin`: not
// when the target is the body (or a member of its system), nor when the
// origin is the body.
bool deflects(const Deflector& deflector, std::int32_t target, std::int32_t origin);

// The target's (retarded) barycentric state less the observer's, deflected
// by each deflector in turn when asked (each taken back to the moment the
// light passed it, as ldn does, and the source at the target's own distance,
// as ld does), then aberrated to all orders when asked. The observer's
// acceleration gives the aberration's rate; the Sun's state is the last of
// `deflectors`, also read for aberration.
StateVector full_corrected_relative_state(const StateVector& target_state, std::int32_t target, std::int32_t origin,
                                          const StateVector& observer,
                                          const std::array<double, 3>& observer_acceleration,
                                          const DeflectorStates& deflectors, const StateCorrections& corrections);

// Whether the full model needs the deflectors' states at all.
inline bool full_model_reads_deflectors(const StateCorrections& corrections) {
    return corrections.gravitational_deflection || corrections.aberration;
}

}  // namespace orvane
