#include "engine/body_deflection.hpp"

#include <algorithm>

#include "core/constants.hpp"
#include "core/dual_number.hpp"
#include "engine/corrections.hpp"

namespace orvane {

namespace {

DualVector scaled(const DualVector& a, Dual factor) { return {a[0] * factor, a[1] * factor, a[2] * factor}; }

CartesianState deflected(const CartesianState& relative, const CartesianState& observer, const CartesianState& body,
                         double mass_ratio, double limiter, bool source_at_infinity);

}  // namespace

CartesianState apply_body_deflection(const CartesianState& relative, const CartesianState& observer,
                                     const CartesianState& body, double mass_ratio, double limiter) {
    return deflected(relative, observer, body, mass_ratio, limiter, false);
}

CartesianState apply_body_deflection_of_distant_source(const CartesianState& relative, const CartesianState& observer,
                                                      const CartesianState& body, double mass_ratio, double limiter) {
    return deflected(relative, observer, body, mass_ratio, limiter, true);
}

namespace {

// After ERFA ld (Klioner 2003; the Explanatory Supplement 2013, 7.2.4):
// p1 = p + w p × (e × q), w = m (Schwarzschild radius of the Sun) / |E| /
// max(q·(q + e), limiter); p the direction from the observer to the target,
// q from the body to the target, e from the body to the observer, |E| the
// body-observer distance. Carried in dual numbers so the rate follows the
// value, the motions of target, observer and body included. With the source
// at infinity, q is p.
CartesianState deflected(const CartesianState& relative, const CartesianState& observer, const CartesianState& body,
                         double mass_ratio, double limiter, bool source_at_infinity) {
    const Dual one{1.0, 0.0};
    const DualVector p = dual_vector(relative.position, relative.velocity);
    const Dual p_squared = dot(p, p);
    if (p_squared.value == 0.0) return relative;
    const DualVector u = scaled(p, one / sqrt(p_squared));
    const DualVector o = dual_vector(observer.position, observer.velocity);
    const DualVector b = dual_vector(body.position, body.velocity);
    const DualVector from_body{o[0] - b[0], o[1] - b[1], o[2] - b[2]};
    const Dual e_squared = dot(from_body, from_body);
    if (e_squared.value == 0.0) return relative;
    const Dual distance = sqrt(e_squared);
    const DualVector e = scaled(from_body, one / distance);
    const DualVector target_from_body =
        source_at_infinity ? p : DualVector{from_body[0] + p[0], from_body[1] + p[1], from_body[2] + p[2]};
    const Dual q_squared = dot(target_from_body, target_from_body);
    if (q_squared.value == 0.0) return relative;
    const DualVector q = scaled(target_from_body, one / sqrt(q_squared));
    const DualVector q_plus_e{q[0] + e[0], q[1] + e[1], q[2] + e[2]};
    Dual q_dot_q_plus_e = dot(q, q_plus_e);
    if (q_dot_q_plus_e.value < limiter) q_dot_q_plus_e = {limiter, 0.0};
    const Dual w = Dual{mass_ratio * SUN_SCHWARZSCHILD_KM, 0.0} / distance / q_dot_q_plus_e;
    const DualVector turn = cross(u, cross(e, q));
    DualVector deflected;
    for (int i = 0; i < 3; ++i) deflected[i] = u[i] + w * turn[i];
    const Dual deflected_squared = dot(deflected, deflected);
    if (deflected_squared.value == 0.0) return relative;
    return rotate_moving_state(relative, u, scaled(deflected, one / sqrt(deflected_squared)));
}

}  // namespace

}  // namespace orvane
