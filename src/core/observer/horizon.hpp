#pragma once
#include <cstdint>
#include <expected>

#include "core/errors.hpp"

namespace orvane {

// How a body at a fixed declination meets a given altitude during one turn of
// the Earth.
struct HorizonCrossing {
    enum class Kind : std::uint8_t { Crossing, AlwaysAbove, AlwaysBelow };
    Kind kind = Kind::Crossing;
    double half_arc_rad = 0.0;  // H0 in [0, π]; meaningful for Crossing only
};

// Hour angle relation cos H0 = (sin h0 − sin φ sin δ) / (cos φ cos δ) for
// latitude φ, declination δ and altitude h0 (radians). NonFiniteState when any
// input is not finite; a pole (of the Earth or of the sky) gives always above
// or always below.
std::expected<HorizonCrossing, CoordinateError> rise_set_hour_angle(double latitude_rad, double declination_rad,
                                                                    double altitude_rad);

}  // namespace orvane
