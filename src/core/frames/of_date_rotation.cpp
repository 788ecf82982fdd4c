#include "core/frames/of_date_rotation.hpp"

#include <array>
#include <cmath>
#include <cstdint>

#include "core/constants.hpp"
#include "core/frames/axis_rotations.hpp"
#include "core/frames/lane_of_date_rotation.hpp"
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
    // The arithmetic of the lanes (core/frames/lane_of_date_rotation.hpp), one lane.
    const LaneOfDateRotation<double> lanes{sin_gamma_bar, cos_gamma_bar, sin_phi_bar, cos_phi_bar,
                                           sin_psi,       cos_psi,       sin_epsilon, cos_epsilon,
                                           gamma_bar_rate, phi_bar_rate, psi_rate,   epsilon_rate};
    double p[3] = {state.position[0], state.position[1], state.position[2]};
    double v[3] = {state.velocity[0], state.velocity[1], state.velocity[2]};
    apply_lanes(lanes, equatorial, p, v);
    return CartesianState{{p[0], p[1], p[2]}, {v[0], v[1], v[2]}};
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
