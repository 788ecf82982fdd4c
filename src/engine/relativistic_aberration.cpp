#include "engine/relativistic_aberration.hpp"

#include "core/constants.hpp"
#include "core/dual_number.hpp"
#include "engine/corrections.hpp"

namespace orvane {

namespace {

DualVector scaled(const DualVector& a, Dual factor) { return {a[0] * factor, a[1] * factor, a[2] * factor}; }

}  // namespace

// After ERFA ab (Klioner 2003; the Explanatory Supplement 2013, 7.2.3):
// p = u √(1 − v²) + w1 v + w2 (v − (u·v) u), w1 = 1 + (u·v)/(1 + √(1 − v²)),
// w2 = (Sun's Schwarzschild radius)/(Sun-observer distance), v in units of c;
// carried in dual numbers so the rate follows the value.
CartesianState apply_relativistic_aberration(const CartesianState& relative, const Vector3& observer_velocity,
                                             const Vector3& observer_acceleration,
                                             const CartesianState& observer_from_sun) {
    const DualVector p = dual_vector(relative.position, relative.velocity);
    const Dual length_squared = dot(p, p);
    if (length_squared.value == 0.0) return relative;
    const DualVector u = scaled(p, Dual{1.0, 0.0} / sqrt(length_squared));
    const DualVector v = scaled(dual_vector(observer_velocity, observer_acceleration),
                                Dual{INVERSE_SPEED_OF_LIGHT_S_PER_KM, 0.0});
    const DualVector s = dual_vector(observer_from_sun.position, observer_from_sun.velocity);
    const Dual sun_distance_squared = dot(s, s);
    const Dual bm1 = sqrt(Dual{1.0, 0.0} - dot(v, v));
    const Dual pdv = dot(u, v);
    const Dual w1 = Dual{1.0, 0.0} + pdv / (Dual{1.0, 0.0} + bm1);
    // An observer at the Sun's centre (heliocentric places) has no dilation term.
    const Dual w2 = sun_distance_squared.value == 0.0
                        ? Dual{0.0, 0.0}
                        : Dual{SUN_SCHWARZSCHILD_KM, 0.0} / sqrt(sun_distance_squared);
    DualVector shifted;
    for (int i = 0; i < 3; ++i) shifted[i] = u[i] * bm1 + w1 * v[i] + w2 * (v[i] - pdv * u[i]);
    const Dual shifted_squared = dot(shifted, shifted);
    if (shifted_squared.value == 0.0) return relative;
    return rotate_moving_state(relative, u, scaled(shifted, Dual{1.0, 0.0} / sqrt(shifted_squared)));
}

}  // namespace orvane
