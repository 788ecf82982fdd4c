#include "engine/corrections.hpp"

#include <cmath>

#include "core/constants.hpp"
#include "core/dual_number.hpp"

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

// 1/√a with its rate, -ȧ/(2 a√a), from one root and one quotient; the
// caller keeps a above zero.
Dual inverse_root(Dual a) {
    const double inverse = 1.0 / std::sqrt(a.value);
    return {inverse, -0.5 * a.rate * (inverse * inverse * inverse)};
}

DualVector scaled(const DualVector& a, Dual factor) { return {a[0] * factor, a[1] * factor, a[2] * factor}; }

CartesianState state_of(const DualVector& p) {
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

// The position p turned from its own direction u onto the unit vector b,
// both moving: the turn about u × b carries p = |p| u onto |p| b, and the
// rate of |p| b is the rate rotate_moving gives, the turn's own included.
CartesianState turned_onto(Dual length, const DualVector& b) { return state_of(scaled(b, length)); }

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
// order), differentiated with the target's and the observer's motions.
CartesianState apply_stellar_aberration(const CartesianState& relative, const Vector3& observer_velocity,
                                        const Vector3& observer_acceleration) {
    const DualVector p = dual_vector(relative.position, relative.velocity);
    Dual length_squared = dot(p, p);
    if (length_squared.value == 0.0) return relative;
    const Dual inverse_length = inverse_root(length_squared);
    DualVector u = scaled(p, inverse_length);
    const DualVector v = dual_vector(observer_velocity, observer_acceleration);
    DualVector shifted;
    for (int i = 0; i < 3; ++i) shifted[i] = u[i] + v[i] * INVERSE_SPEED_OF_LIGHT_S_PER_KM;
    Dual shifted_squared = dot(shifted, shifted);
    if (shifted_squared.value == 0.0) return relative;
    return turned_onto(length_squared * inverse_length, scaled(shifted, inverse_root(shifted_squared)));
}

// The Sun's deflection (Kaplan et al. 1989; ERFA eraLd), differentiated with
// the motions of target, observer and Sun.
CartesianState apply_solar_gravitational_deflection(const CartesianState& relative, const CartesianState& observer,
                                                    const CartesianState& sun) {
    const DualVector p = dual_vector(relative.position, relative.velocity);
    Dual length_squared = dot(p, p);
    if (length_squared.value == 0.0) return relative;
    const Dual inverse_length = inverse_root(length_squared);
    DualVector u = scaled(p, inverse_length);

    const DualVector o = dual_vector(observer.position, observer.velocity);
    const DualVector s = dual_vector(sun.position, sun.velocity);
    DualVector d{s[0] - o[0], s[1] - o[1], s[2] - o[2]};
    Dual d_squared = dot(d, d);
    if (d_squared.value == 0.0) return relative;
    const Dual inverse_sun_distance = inverse_root(d_squared);
    const DualVector e = scaled({-d[0], -d[1], -d[2]}, inverse_sun_distance);  // from the Sun to the observer

    DualVector q{p[0] - d[0], p[1] - d[1], p[2] - d[2]};
    Dual q_squared = dot(q, q);
    if (q_squared.value == 0.0) return relative;
    DualVector q_hat = scaled(q, inverse_root(q_squared));

    Dual q_dot_e = dot(q_hat, e);
    if (std::fabs(1.0 + q_dot_e.value) < 1e-6) return relative;  // behind the Sun
    Dual w = inverse_sun_distance * SUN_SCHWARZSCHILD_KM / (Dual{1.0, 0.0} + q_dot_e);
    Dual u_dot_q = dot(u, q_hat);
    Dual u_dot_e = dot(u, e);
    DualVector deflected;
    for (int i = 0; i < 3; ++i) deflected[i] = u[i] + w * (u_dot_q * e[i] - u_dot_e * q_hat[i]);
    Dual deflected_squared = dot(deflected, deflected);
    if (deflected_squared.value == 0.0) return relative;
    return turned_onto(length_squared * inverse_length, scaled(deflected, inverse_root(deflected_squared)));
}

CartesianState apply_solar_gravitational_deflection(const CartesianState& relative, const Vector3& observer_position,
                                                    const Vector3& sun_position) {
    return apply_solar_gravitational_deflection(relative, CartesianState{observer_position, {}},
                                                CartesianState{sun_position, {}});
}

}  // namespace orvane
