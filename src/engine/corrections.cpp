#include "engine/corrections.hpp"

#include <cmath>

#include "core/constants.hpp"
#include "core/dual_number.hpp"
#include "engine/lane_corrections.hpp"

namespace orvane {
namespace {

// a / divisor, by one division and three products.
Vector3 divided(const Vector3& a, double divisor) {
    const double inverse = 1.0 / divisor;
    return {a[0] * inverse, a[1] * inverse, a[2] * inverse};
}

DualVector divided(const DualVector& a, Dual divisor) {
    const Dual inverse = Dual{1.0, 0.0} / divisor;
    return {a[0] * inverse, a[1] * inverse, a[2] * inverse};
}

// v cos θ + (k × v) sin θ + k (k·v)(1 − cos θ)
Vector3 rodrigues(const Vector3& v, const Vector3& k, double sin_theta, double cos_theta) {
    Vector3 k_cross_v = cross(k, v);
    double k_dot_v = dot(k, v);
    Vector3 out;
    for (int i = 0; i < 3; ++i) {
        out[i] = v[i] * cos_theta + k_cross_v[i] * sin_theta + k[i] * k_dot_v * (1.0 - cos_theta);
    }
    return out;
}

DualVector rodrigues(const DualVector& v, const DualVector& k, Dual sin_theta, Dual cos_theta) {
    DualVector k_cross_v = cross(k, v);
    Dual k_dot_v = dot(k, v);
    DualVector out;
    for (int i = 0; i < 3; ++i) {
        out[i] = v[i] * cos_theta + k_cross_v[i] * sin_theta + k[i] * k_dot_v * (Dual{1.0, 0.0} - cos_theta);
    }
    return out;
}

CartesianState state_of(const DualVector& p) {
    return CartesianState{{p[0].value, p[1].value, p[2].value}, {p[0].rate, p[1].rate, p[2].rate}};
}

CartesianState state_of(const LaneDual<double> (&p)[3]) {
    return CartesianState{{p[0].value, p[1].value, p[2].value}, {p[0].rate, p[1].rate, p[2].rate}};
}

// The position turned about a x b by the angle from a to b, a and b moving:
// the rate of the result includes the rate of the turn. For a turn of less
// than a right angle (every correction's), Rodrigues' formula with the
// unnormalised axis k = a x b, |k| = sin θ, cos θ = a·b and
// (1 - cos θ) / sin² θ = 1 / (1 + cos θ):
// v' = v cos θ + k × v + k (k·v) / (1 + cos θ), without a square root and
// with one quotient, which also keeps the small turns' 1 - cos θ from
// cancelling.
CartesianState rotate_moving(const DualVector& position, const DualVector& a, const DualVector& b) {
    const DualVector k = cross(a, b);
    const double k_squared = k[0].value * k[0].value + k[1].value * k[1].value + k[2].value * k[2].value;
    if (k_squared == 0.0) return state_of(position);
    const Dual cos_theta = dot(a, b);
    if (cos_theta.value <= 0.0) {
        const Dual sin_theta = sqrt(dot(k, k));
        return state_of(rodrigues(position, divided(k, sin_theta), sin_theta, cos_theta));
    }
    const DualVector k_cross_v = cross(k, position);
    const Dual along = dot(k, position) / (Dual{1.0, 0.0} + cos_theta);
    DualVector out;
    for (int i = 0; i < 3; ++i) out[i] = position[i] * cos_theta + k_cross_v[i] + k[i] * along;
    return state_of(out);
}

}  // namespace

CartesianState rotate_moving_state(const CartesianState& relative, const DualVector& a, const DualVector& b) {
    return rotate_moving(dual_vector(relative.position, relative.velocity), a, b);
}

CartesianState rotate_state(const CartesianState& state, const Vector3& a, const Vector3& b) {
    Vector3 k = cross(a, b);
    double k_squared = dot(k, k);
    if (k_squared == 0.0) return state;
    double sin_theta = std::sqrt(k_squared);
    double cos_theta = dot(a, b);
    Vector3 axis = divided(k, sin_theta);
    return CartesianState{rodrigues(state.position, axis, sin_theta, cos_theta),
                          rodrigues(state.velocity, axis, sin_theta, cos_theta)};
}

// Direction u′ = (u + v/c)/|u + v/c| (Kaplan et al. 1989, AJ 97, 1197, first
// order), differentiated with the target's and the observer's motions: the
// arithmetic of the lanes (engine/lane_corrections.hpp), one lane.
CartesianState apply_stellar_aberration(const CartesianState& relative, const Vector3& observer_velocity,
                                        const Vector3& observer_acceleration) {
    LaneDual<double> p[3], shift[3];
    for (int i = 0; i < 3; ++i) {
        p[i] = {relative.position[i], relative.velocity[i]};
        shift[i] = LaneDual<double>{observer_velocity[i], observer_acceleration[i]} * INVERSE_SPEED_OF_LIGHT_S_PER_KM;
    }
    lane_stellar_aberration(p, shift);
    return state_of(p);
}

// The Sun's deflection (Kaplan et al. 1989; ERFA eraLd), differentiated with
// the motions of target, observer and Sun: the arithmetic of the lanes, one
// lane.
CartesianState apply_solar_gravitational_deflection(const CartesianState& relative, const CartesianState& observer,
                                                    const CartesianState& sun) {
    LaneState<double> observer_state, sun_state;
    LaneDual<double> p[3];
    for (int i = 0; i < 3; ++i) {
        observer_state.position[i] = observer.position[i];
        observer_state.velocity[i] = observer.velocity[i];
        sun_state.position[i] = sun.position[i];
        sun_state.velocity[i] = sun.velocity[i];
        p[i] = {relative.position[i], relative.velocity[i]};
    }
    LaneSunFromObserver<double> seen;
    lane_sun_from_observer(observer_state, sun_state, seen);
    lane_solar_deflection(p, seen);
    return state_of(p);
}

CartesianState apply_solar_gravitational_deflection(const CartesianState& relative, const Vector3& observer_position,
                                                    const Vector3& sun_position) {
    return apply_solar_gravitational_deflection(relative, CartesianState{observer_position, {}},
                                                CartesianState{sun_position, {}});
}

}  // namespace orvane
