#include "core/frames/of_date_rotation.hpp"

#include <array>
#include <cmath>

#include "core/frames/axis_rotations.hpp"
#include "core/frames/precession.hpp"

namespace orvane {

namespace {

using Vector = std::array<double, 3>;

}  // namespace

OfDateRotation::OfDateRotation(bool nutation, bool equatorial, double tt_julian_day)
    : OfDateRotation(nutation ? nutation_iau2000b(tt_julian_day) : Nutation{}, equatorial, tt_julian_day) {}

OfDateRotation::OfDateRotation(const Nutation& nutation, bool equatorial, double tt_julian_day)
    : equatorial(equatorial) {
    const FukushimaWilliamsAngles angles = precession_angles_iau2006(julian_centuries_since_j2000(tt_julian_day));
    const double psi = angles.psi_bar_rad + nutation.longitude_rad;
    const double epsilon = angles.mean_obliquity_rad + nutation.obliquity_rad;
    sin_gamma_bar = std::sin(angles.gamma_bar_rad);
    cos_gamma_bar = std::cos(angles.gamma_bar_rad);
    sin_phi_bar = std::sin(angles.phi_bar_rad);
    cos_phi_bar = std::cos(angles.phi_bar_rad);
    sin_psi = std::sin(psi);
    cos_psi = std::cos(psi);
    sin_epsilon = std::sin(epsilon);
    cos_epsilon = std::cos(epsilon);
}

std::expected<CartesianState, CoordinateError> OfDateRotation::apply(const CartesianState& state) const {
    if (!state.is_finite()) return std::unexpected(CoordinateError::NonFiniteState);
    auto rotate = [this](Vector v) {
        v = r3(v, sin_gamma_bar, cos_gamma_bar);
        v = r1(v, sin_phi_bar, cos_phi_bar);
        v = r3(v, -sin_psi, cos_psi);
        if (equatorial) v = r1(v, -sin_epsilon, cos_epsilon);
        return v;
    };
    return CartesianState{rotate(state.position), rotate(state.velocity)};
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
