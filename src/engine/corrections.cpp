#include "engine/corrections.hpp"

#include <cmath>

#include "core/constants.hpp"

namespace orvane {
namespace {

// Twice the Sun's gravitational parameter over the square of the speed of light, km.
constexpr double SUN_SCHWARZSCHILD_KM = 2.9532501228092993;

// a / divisor, by one division and three products.
Vector3 divided(const Vector3& a, double divisor) {
    const double inverse = 1.0 / divisor;
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

}  // namespace

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

CartesianState apply_stellar_aberration(const CartesianState& relative, const Vector3& observer_velocity) {
    double length_squared = dot(relative.position, relative.position);
    if (length_squared == 0.0) return relative;
    Vector3 u = divided(relative.position, std::sqrt(length_squared));
    Vector3 shifted;
    for (int i = 0; i < 3; ++i) shifted[i] = u[i] + observer_velocity[i] * INVERSE_SPEED_OF_LIGHT_S_PER_KM;
    double shifted_squared = dot(shifted, shifted);
    if (shifted_squared == 0.0) return relative;
    return rotate_state(relative, u, divided(shifted, std::sqrt(shifted_squared)));
}

CartesianState apply_solar_gravitational_deflection(const CartesianState& relative, const Vector3& observer_position,
                                                    const Vector3& sun_position) {
    double length_squared = dot(relative.position, relative.position);
    if (length_squared == 0.0) return relative;
    Vector3 u = divided(relative.position, std::sqrt(length_squared));

    Vector3 d{sun_position[0] - observer_position[0], sun_position[1] - observer_position[1],
              sun_position[2] - observer_position[2]};
    double d_squared = dot(d, d);
    if (d_squared == 0.0) return relative;
    double sun_distance = std::sqrt(d_squared);
    const Vector3 e = divided({-d[0], -d[1], -d[2]}, sun_distance);  // from the Sun to the observer

    Vector3 q{relative.position[0] - d[0], relative.position[1] - d[1], relative.position[2] - d[2]};
    double q_squared = dot(q, q);
    if (q_squared == 0.0) return relative;
    Vector3 q_hat = divided(q, std::sqrt(q_squared));

    double q_dot_e = dot(q_hat, e);
    if (std::fabs(1.0 + q_dot_e) < 1e-6) return relative;  // behind the Sun
    double w = SUN_SCHWARZSCHILD_KM / sun_distance / (1.0 + q_dot_e);
    double u_dot_q = dot(u, q_hat);
    double u_dot_e = dot(u, e);
    Vector3 deflected;
    for (int i = 0; i < 3; ++i) deflected[i] = u[i] + w * (u_dot_q * e[i] - u_dot_e * q_hat[i]);
    double deflected_squared = dot(deflected, deflected);
    if (deflected_squared == 0.0) return relative;
    return rotate_state(relative, u, divided(deflected, std::sqrt(deflected_squared)));
}

}  // namespace orvane
