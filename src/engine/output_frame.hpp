#pragma once
#include <cstdint>
#include <expected>

#include "core/cartesian_state.hpp"
#include "core/errors.hpp"
#include "core/frames/of_date_rotation.hpp"
#include "core/position_options.hpp"

namespace orvane {

// The axes a position is delivered on.
struct OutputFrame {
    enum class Kind : std::uint8_t { OfDate, J2000Equatorial, J2000Ecliptic };
    Kind kind = Kind::J2000Equatorial;
    OfDateRotation rotation;  // OfDate only
};

// The frame of resolved options at a date (the TDB Julian day serves as the
// date of precession and nutation), with the nutation of the options' model
// when the options ask for it (computed once per instant by the caller).
OutputFrame output_frame(const PositionOptions& resolved, double julian_day, const Nutation& nutation);

// Rotates the body's state at the TDB Julian day into the frame and converts it
// to longitude, latitude, distance in au and longitude speed; geometric
// failures become Backend errors. A state, or a position computed from it,
// that is not finite (a huge coefficient overflowing) is the body's
// non-finite-state error.
std::expected<Position, OrvaneError> position_from_state(const CartesianState& state, const OutputFrame& frame,
                                                         std::int32_t body, double tdb_julian_day);

}  // namespace orvane
