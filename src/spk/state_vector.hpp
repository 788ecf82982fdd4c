#pragma once
#include "core/cartesian_state.hpp"

namespace orvane {

// Position x, y, z (km) and velocity x, y, z (km/s) of one body relative to
// another, on the kernels' axes. The zero state is the default value.
using StateVector = CartesianState;

// What an evaluation fills: whole states, or the positions alone (their
// velocities zero), each position the same bits either way.
enum class Evaluated : unsigned char { States, Positions };

// a + b, component by component.
inline StateVector add_states(const StateVector& a, const StateVector& b) {
    StateVector sum;
    for (int i = 0; i < 3; ++i) {
        sum.position[i] = a.position[i] + b.position[i];
        sum.velocity[i] = a.velocity[i] + b.velocity[i];
    }
    return sum;
}

// a - b, component by component.
inline StateVector subtract_states(const StateVector& a, const StateVector& b) {
    StateVector difference;
    for (int i = 0; i < 3; ++i) {
        difference.position[i] = a.position[i] - b.position[i];
        difference.velocity[i] = a.velocity[i] - b.velocity[i];
    }
    return difference;
}

}  // namespace orvane
