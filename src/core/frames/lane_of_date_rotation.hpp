#pragma once
#include "core/frames/of_date_rotation.hpp"

// OfDateRotation::apply for the lanes of a vector of doubles, each lane an
// instant with its own axes of date, or for one double: the same products
// and sums in the same order, so that each lane gives the bits of apply for
// its instant alone.
namespace orvane {

template <class T>
struct LaneOfDateRotation {
    T sin_gamma_bar, cos_gamma_bar, sin_phi_bar, cos_phi_bar, sin_psi, cos_psi, sin_epsilon, cos_epsilon;
    T gamma_bar_rate, phi_bar_rate, psi_rate, epsilon_rate;
};

// Sets lane j from one instant's rotation.
template <class T>
inline void set_lane(LaneOfDateRotation<T>& lanes, std::size_t j, const OfDateRotation& r) {
    lanes.sin_gamma_bar[j] = r.sin_gamma_bar;
    lanes.cos_gamma_bar[j] = r.cos_gamma_bar;
    lanes.sin_phi_bar[j] = r.sin_phi_bar;
    lanes.cos_phi_bar[j] = r.cos_phi_bar;
    lanes.sin_psi[j] = r.sin_psi;
    lanes.cos_psi[j] = r.cos_psi;
    lanes.sin_epsilon[j] = r.sin_epsilon;
    lanes.cos_epsilon[j] = r.cos_epsilon;
    lanes.gamma_bar_rate[j] = r.gamma_bar_rate;
    lanes.phi_bar_rate[j] = r.phi_bar_rate;
    lanes.psi_rate[j] = r.psi_rate;
    lanes.epsilon_rate[j] = r.epsilon_rate;
}

// Position p and velocity v (finite) turned onto the axes of date, the
// velocity with the axes' own turning; `equatorial` as OfDateRotation's.
template <class T>
[[gnu::always_inline]] inline void apply_lanes(const LaneOfDateRotation<T>& r, bool equatorial, T (&p)[3], T (&v)[3]) {
    // R3: (c x + s y, -s x + c y, z); R1: (x, c y + s z, -s y + c z).
    auto about_z = [&p, &v](const T& s, const T& c, const T& rate) {
        const T p0 = c * p[0] + s * p[1], p1 = -s * p[0] + c * p[1];
        const T v0 = c * v[0] + s * v[1], v1 = -s * v[0] + c * v[1];
        p[0] = p0;
        p[1] = p1;
        v[0] = v0 + rate * p[1];
        v[1] = v1 - rate * p[0];
    };
    auto about_x = [&p, &v](const T& s, const T& c, const T& rate) {
        const T p1 = c * p[1] + s * p[2], p2 = -s * p[1] + c * p[2];
        const T v1 = c * v[1] + s * v[2], v2 = -s * v[1] + c * v[2];
        p[1] = p1;
        p[2] = p2;
        v[1] = v1 + rate * p[2];
        v[2] = v2 - rate * p[1];
    };
    about_z(r.sin_gamma_bar, r.cos_gamma_bar, r.gamma_bar_rate);
    about_x(r.sin_phi_bar, r.cos_phi_bar, r.phi_bar_rate);
    about_z(-r.sin_psi, r.cos_psi, -r.psi_rate);
    if (equatorial) about_x(-r.sin_epsilon, r.cos_epsilon, -r.epsilon_rate);
}

}  // namespace orvane
