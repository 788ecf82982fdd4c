#include "engine/full_corrections.hpp"

#include <algorithm>
#include <cmath>

#include "core/constants.hpp"
#include "engine/body_deflection.hpp"
#include "engine/relativistic_aberration.hpp"

namespace orvane {

bool deflects(const Deflector& deflector, std::int32_t target, std::int32_t origin) {
    if (origin == deflector.code || target == deflector.code) return false;
    // A planet and its moons (599, 501, ...) belong to the system barycentre.
    if (deflector.code != SUN_CODE && target >= 100 && target < 1000 && target / 100 == deflector.code) return false;
    return true;
}

namespace {

// ERFA ldn: the body taken back to the moment the light passed it, t + dt,
// dt = u·(observer − body)/c when negative (the body between observer and
// target), else the body at t. The rate keeps the body's velocity (dt
// changes by less than the light time across the body's own motion).
StateVector body_when_passed(const StateVector& body, const StateVector& observer, const Vector3& direction) {
    double along = 0.0;
    for (int i = 0; i < 3; ++i) along += direction[i] * (observer.position[i] - body.position[i]);
    const double dt = std::min(along * INVERSE_SPEED_OF_LIGHT_S_PER_KM, 0.0);
    StateVector moved = body;
    for (int i = 0; i < 3; ++i) moved.position[i] += dt * body.velocity[i];
    return moved;
}

}  // namespace

StateVector full_corrected_relative_state(const StateVector& target_state, std::int32_t target, std::int32_t origin,
                                          const StateVector& observer,
                                          const std::array<double, 3>& observer_acceleration,
                                          const DeflectorStates& deflectors, const StateCorrections& corrections) {
    StateVector relative = subtract_states(target_state, observer);
    if (corrections.gravitational_deflection) {
        const auto& p = relative.position;
        const double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        if (length > 0.0) {
            const Vector3 direction{p[0] / length, p[1] / length, p[2] / length};
            for (std::size_t k = 0; k < FULL_MODEL_DEFLECTORS.size(); ++k) {
                const Deflector& deflector = FULL_MODEL_DEFLECTORS[k];
                if (!deflects(deflector, target, origin)) continue;
                relative = apply_body_deflection(relative, observer,
                                                 body_when_passed(deflectors[k], observer, direction),
                                                 deflector.mass_ratio, deflector.limiter);
            }
        }
    }
    if (corrections.aberration) {
        relative = apply_relativistic_aberration(relative, observer.velocity, observer_acceleration,
                                                 subtract_states(observer, deflectors.back()));
    }
    return relative;
}

}  // namespace orvane
