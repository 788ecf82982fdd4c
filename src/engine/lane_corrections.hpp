#pragma once
#include "core/constants.hpp"
#include "core/lane_dual_number.hpp"
#include "core/lane_square_root.hpp"
#include "engine/relative_state.hpp"

// The standard model's light-time settling, solar deflection and aberration
// (settle_light_time, apply_solar_gravitational_deflection and
// apply_stellar_aberration) for the lanes of a vector of doubles, each lane
// an instant alone, or for one double. Each is its scalar twin's arithmetic,
// operation for operation in the same order: a lane gives the bits of the
// scalar code for its instant; the scalar code's early returns become a
// choice, lane by lane, between the unchanged and the corrected state.
// What depends on the instant only (the Sun seen from the observer, the
// observer's velocity over c) comes in ready, computed once for every body.
namespace orvane {

template <class T>
struct LaneState {
    T position[3];
    T velocity[3];
};

// A lane's choice into out: b where `keep` holds, else a (a mask for
// vectors, a bool for one double).
template <class T, class Mask>
[[gnu::always_inline]] inline void lane_choose(const Mask& keep, const T& b, const T& a, T& out) {
    out = keep ? b : a;
}

// settle_light_time: the retarded state moved along its velocity to the last
// light-time iteration's epoch, its velocity the rate in the observer's time.
// Also gives `distance`, |x - x_obs| of the settled state: the root of the
// relative position's squared length as the deflection takes it.
template <class T>
[[gnu::always_inline]] inline void lane_settle_light_time(const LaneState<T>& retarded, const T& retarded_by,
                                                         const LaneState<T>& observer, LaneState<T>& moved,
                                                         T& distance) {
    moved = retarded;
    for (int iteration = 1; iteration < LIGHT_TIME_ITERATIONS; ++iteration) {
        T p[3];
        for (int i = 0; i < 3; ++i) p[i] = moved.position[i] - observer.position[i];
        T distance;
        lane_square_root(T(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), distance);
        const T seconds = distance * INVERSE_SPEED_OF_LIGHT_S_PER_KM;
        const T shift = retarded_by - seconds;
        for (int i = 0; i < 3; ++i) moved.position[i] = retarded.position[i] + shift * retarded.velocity[i];
    }
    T p[3], v[3];
    for (int i = 0; i < 3; ++i) {
        p[i] = moved.position[i] - observer.position[i];
        v[i] = moved.velocity[i] - observer.velocity[i];
    }
    T& length = distance;
    lane_square_root(T(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), length);
    T towards = 0.0 + p[0] * v[0], target_towards = 0.0 + p[0] * moved.velocity[0];
    for (int i = 1; i < 3; ++i) {
        towards = towards + p[i] * v[i];
        target_towards = target_towards + p[i] * moved.velocity[i];
    }
    const T tau_rate = (towards / length) / (SPEED_OF_LIGHT_KM_S + target_towards / length);
    const T factor = 1.0 - tau_rate;
    const auto at_observer = length == 0.0;
    for (int i = 0; i < 3; ++i) {
        lane_choose(at_observer, moved.velocity[i], T(moved.velocity[i] * factor), moved.velocity[i]);
    }
}

// The Sun seen from the observer at an instant, shared by every body: d the
// Sun less the observer, 1/|d| and e = -d/|d| (from the Sun to the
// observer), each with its rate.
template <class T>
struct LaneSunFromObserver {
    LaneDual<T> d[3];
    LaneDual<T> inverse_distance;
    LaneDual<T> e[3];
    T d_squared;  // zero: no deflection
};

template <class T>
[[gnu::always_inline]] inline void lane_sun_from_observer(const LaneState<T>& observer, const LaneState<T>& sun,
                                                         LaneSunFromObserver<T>& out) {
    for (int i = 0; i < 3; ++i) {
        out.d[i] = LaneDual<T>{sun.position[i], sun.velocity[i]} - LaneDual<T>{observer.position[i], observer.velocity[i]};
    }
    const LaneDual<T> d_squared = lane_dot(out.d, out.d);
    out.d_squared = d_squared.value;
    out.inverse_distance = lane_inverse_root(d_squared);
    for (int i = 0; i < 3; ++i) out.e[i] = (-out.d[i]) * out.inverse_distance;
}

// |p| b: the position p turned from its own direction u onto the unit vector
// b (direction / |direction|), both moving; the turn about u × b carries
// p = |p| u onto |p| b, and the rate of |p| b includes the turn's own.
template <class T>
[[gnu::always_inline]] inline void lane_turned_onto(const LaneDual<T>& length, const LaneDual<T> (&direction)[3],
                                                   const LaneDual<T>& direction_squared, LaneDual<T> (&out)[3]) {
    const LaneDual<T> inverse = lane_inverse_root(direction_squared);
    for (int i = 0; i < 3; ++i) out[i] = (direction[i] * inverse) * length;
}

// p (the relative state, with its velocity as rate) deflected by the Sun
// (Kaplan et al. 1989; ERFA eraLd), as apply_solar_gravitational_deflection;
// `length`, when given, is √(p·p) already taken (the same bits).
template <class T>
[[gnu::always_inline]] inline void lane_solar_deflection(LaneDual<T> (&p)[3], const LaneSunFromObserver<T>& sun,
                                                        const T* length = nullptr) {
    const LaneDual<T> length_squared = lane_dot(p, p);
    const LaneDual<T> inverse_length =
        length ? lane_inverse_root_given(length_squared, *length) : lane_inverse_root(length_squared);
    LaneDual<T> u[3], q[3], q_hat[3];
    for (int i = 0; i < 3; ++i) u[i] = p[i] * inverse_length;
    for (int i = 0; i < 3; ++i) q[i] = p[i] - sun.d[i];
    const LaneDual<T> q_squared = lane_dot(q, q);
    const LaneDual<T> inverse_q = lane_inverse_root(q_squared);
    for (int i = 0; i < 3; ++i) q_hat[i] = q[i] * inverse_q;
    const LaneDual<T> q_dot_e = lane_dot(q_hat, sun.e);
    const LaneDual<T> w = sun.inverse_distance * SUN_SCHWARZSCHILD_KM / one_plus(q_dot_e);
    const LaneDual<T> u_dot_q = lane_dot(u, q_hat);
    const LaneDual<T> u_dot_e = lane_dot(u, sun.e);
    LaneDual<T> deflected[3], out[3];
    for (int i = 0; i < 3; ++i) deflected[i] = u[i] + w * (u_dot_q * sun.e[i] - u_dot_e * q_hat[i]);
    const LaneDual<T> deflected_squared = lane_dot(deflected, deflected);
    lane_turned_onto(length_squared * inverse_length, deflected, deflected_squared, out);
    const T opposite = 1.0 + q_dot_e.value;  // near zero: behind the Sun, left alone
    const auto unchanged = (length_squared.value == 0.0) | (sun.d_squared == 0.0) | (q_squared.value == 0.0) |
                           ((opposite < 0.0 ? -opposite : opposite) < 1e-6) | (deflected_squared.value == 0.0);
    for (int i = 0; i < 3; ++i) {
        lane_choose(unchanged, p[i].value, out[i].value, p[i].value);
        lane_choose(unchanged, p[i].rate, out[i].rate, p[i].rate);
    }
}

// p aberrated for an observer whose velocity over c, with its rate (the
// acceleration over c), is `shift` (Kaplan et al. 1989, first order), as
// apply_stellar_aberration.
template <class T>
[[gnu::always_inline]] inline void lane_stellar_aberration(LaneDual<T> (&p)[3], const LaneDual<T> (&shift)[3]) {
    const LaneDual<T> length_squared = lane_dot(p, p);
    const LaneDual<T> inverse_length = lane_inverse_root(length_squared);
    LaneDual<T> shifted[3], out[3];
    for (int i = 0; i < 3; ++i) shifted[i] = p[i] * inverse_length + shift[i];
    const LaneDual<T> shifted_squared = lane_dot(shifted, shifted);
    lane_turned_onto(length_squared * inverse_length, shifted, shifted_squared, out);
    const auto unchanged = (length_squared.value == 0.0) | (shifted_squared.value == 0.0);
    for (int i = 0; i < 3; ++i) {
        lane_choose(unchanged, p[i].value, out[i].value, p[i].value);
        lane_choose(unchanged, p[i].rate, out[i].rate, p[i].rate);
    }
}

}  // namespace orvane
