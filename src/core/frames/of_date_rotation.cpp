#include "core/frames/of_date_rotation.hpp"

#include <array>
#include <cmath>
#include <cstdint>

#include "core/constants.hpp"
#include "core/frames/axis_rotations.hpp"
#include "core/frames/precession.hpp"
#include "core/fused_multiply_add.hpp"
#include "core/lane_sine_cosine.hpp"

namespace orvane {

namespace {

using Vector = std::array<double, 3>;
using Angles = double __attribute__((vector_size(4 * sizeof(double))));
using AngleMask = std::int64_t __attribute__((vector_size(4 * sizeof(double))));

// The sines and cosines of γ̄, φ̄, ψ and ε in one pass of the lanes.
ORVANE_FMA_CLONES void axes_sines_cosines(const Angles& angles, Angles& sines, Angles& cosines) {
    lane_sine_cosine<Angles, AngleMask>(angles, sines, cosines);
}

}  // namespace

OfDateRotation::OfDateRotation(bool nutation, bool equatorial, double tt_julian_day)
    : OfDateRotation(nutation ? nutation_iau2000b(tt_julian_day) : Nutation{}, equatorial, tt_julian_day) {}

OfDateRotation::OfDateRotation(const Nutation& nutation, bool equatorial, double tt_julian_day)
    : equatorial(equatorial) {
    const FukushimaWilliamsAngles angles = precession_angles_iau2006(julian_centuries_since_j2000(tt_julian_day));
    const double psi = angles.psi_bar_rad + nutation.longitude_rad;
    const double epsilon = angles.mean_obliquity_rad + nutation.obliquity_rad;
    Angles sines, cosines;
    axes_sines_cosines(Angles{angles.gamma_bar_rad, angles.phi_bar_rad, psi, epsilon}, sines, cosines);
    sin_gamma_bar = sines[0];
    cos_gamma_bar = cosines[0];
    sin_phi_bar = sines[1];
    cos_phi_bar = cosines[1];
    sin_psi = sines[2];
    cos_psi = cosines[2];
    sin_epsilon = sines[3];
    cos_epsilon = cosines[3];
    gamma_bar_rate = angles.gamma_bar_rate / SECONDS_PER_DAY;
    phi_bar_rate = angles.phi_bar_rate / SECONDS_PER_DAY;
    psi_rate = (angles.psi_bar_rate + nutation.longitude_rate_rad_per_day) / SECONDS_PER_DAY;
    epsilon_rate = (angles.mean_obliquity_rate + nutation.obliquity_rate_rad_per_day) / SECONDS_PER_DAY;
}

std::expected<CartesianState, CoordinateError> OfDateRotation::apply(const CartesianState& state) const {
    if (!state.is_finite()) return std::unexpected(CoordinateError::NonFiniteState);
    // d/dt R3(θ)p = R3(θ)ṗ + θ̇ (w_y, −w_x, 0) and d/dt R1(θ)p = R1(θ)ṗ + θ̇ (0, w_z, −w_y), w the turned p.
    Vector p = state.position, v = state.velocity;
    auto about_z = [&p, &v](double s, double c, double rate) {
        p = r3(p, s, c);
        v = r3(v, s, c);
        v = {v[0] + rate * p[1], v[1] - rate * p[0], v[2]};
    };
    auto about_x = [&p, &v](double s, double c, double rate) {
        p = r1(p, s, c);
        v = r1(v, s, c);
        v = {v[0], v[1] + rate * p[2], v[2] - rate * p[1]};
    };
    about_z(sin_gamma_bar, cos_gamma_bar, gamma_bar_rate);
    about_x(sin_phi_bar, cos_phi_bar, phi_bar_rate);
    about_z(-sin_psi, cos_psi, -psi_rate);
    if (equatorial) about_x(-sin_epsilon, cos_epsilon, -epsilon_rate);
    return CartesianState{p, v};
}

std::expected<CartesianState, CoordinateError> OfDateRotation::apply_inverse(const CartesianState& state) const {
    if (!state.is_finite()) return std::unexpected(CoordinateError::NonFiniteState);
    auto rotate = [this](Vector v) {
        if (equatorial) v = r1(v, sin_epsilon, cos_epsilon);
        v = r3(v, sin_psi, cos_psi);
        v = r1(v, -sin_phi_bar, cos_phi_bar);
        v = r3(v, -sin_gamma_bar, cos_gamma_bar);
        return v;
    };
    return CartesianState{rotate(state.position), rotate(state.velocity)};
}

}  // namespace orvane
