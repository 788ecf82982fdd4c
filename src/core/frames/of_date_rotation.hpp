#pragma once
#include <expected>

#include "core/cartesian_state.hpp"
#include "core/errors.hpp"
#include "core/frames/nutation.hpp"

namespace orvane {

// Rotation from the ICRF/J2000 axes to the axes of date: IAU 2006 precession
// (Fukushima-Williams angles, frame bias included), optionally with IAU 2000B
// nutation, ending on the equator of date or on the ecliptic of date. Built
// once per instant and applied to any number of states.
struct OfDateRotation {
    double sin_gamma_bar = 0.0, cos_gamma_bar = 1.0;
    double sin_phi_bar = 0.0, cos_phi_bar = 1.0;
    double sin_psi = 0.0, cos_psi = 1.0;          // ψ̄ + Δψ, or ψ̄ without nutation
    double sin_epsilon = 0.0, cos_epsilon = 1.0;  // ε_A + Δε, or ε_A without nutation
    bool equatorial = true;  // true: equator of date; false: ecliptic of date
    // The rates of γ̄, φ̄, ψ and ε, radians per second: apply adds the turning
    // of the axes to the velocity.
    double gamma_bar_rate = 0.0, phi_bar_rate = 0.0, psi_rate = 0.0, epsilon_rate = 0.0;

    OfDateRotation() = default;

    // Mean (nutation false) or true (nutation true) axes of date at a TT Julian
    // day. Without nutation the nutation series is not evaluated at all.
    OfDateRotation(bool nutation, bool equatorial, double tt_julian_day);

    // True axes of date with a nutation the caller has already computed for the
    // same TT Julian day.
    OfDateRotation(const Nutation& nutation, bool equatorial, double tt_julian_day);

    // ICRF/J2000 to date; NonFiniteState unless all six components are finite.
    // The velocity is the rate of the rotated position: the state's velocity
    // turned, plus the axes' own turning.
    std::expected<CartesianState, CoordinateError> apply(const CartesianState& state) const;

    // Date back to ICRF/J2000 (the transpose of apply), as a fixed rotation.
    std::expected<CartesianState, CoordinateError> apply_inverse(const CartesianState& state) const;
};

}  // namespace orvane
