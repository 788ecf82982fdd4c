#pragma once
#include <expected>

#include "core/cartesian_state.hpp"
#include "core/errors.hpp"

namespace orvane {

// cos and sin of the J2000 obliquity ε0 = 84381.448″.
inline constexpr double COS_EPSILON_0 = 0.9174820620691818;
inline constexpr double SIN_EPSILON_0 = 0.39777715593191365;

// The rotation of a vector's y and z (x stays), in place: on one double or
// on the lanes of a vector of them.
template <class T>
inline void turn_to_j2000_ecliptic(T& y, T& z) {
    const T turned_y = COS_EPSILON_0 * y + SIN_EPSILON_0 * z;
    const T turned_z = -SIN_EPSILON_0 * y + COS_EPSILON_0 * z;
    y = turned_y;
    z = turned_z;
}

// Rotates a state from the ICRF/J2000 equator to the J2000 mean ecliptic
// (obliquity 84381.448 arcseconds); NonFiniteState unless all six components
// are finite.
std::expected<CartesianState, CoordinateError> to_j2000_ecliptic(const CartesianState& state);

}  // namespace orvane
