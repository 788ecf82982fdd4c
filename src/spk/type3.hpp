#pragma once
#include <cstdint>
#include <expected>
#include <span>

#include "spk/spk_error.hpp"
#include "spk/state_vector.hpp"

// SPK data type 3: Type 2's layout (fixed-length records over fixed intervals,
// directory INIT, INTLEN, RSIZE, N) with six Chebyshev coefficient sets per
// record, x, y, z and then vx, vy, vz: the velocity has polynomials of its own.
namespace orvane {

inline constexpr std::int32_t SPK_TYPE_3 = 3;
inline constexpr std::uint32_t TYPE3_COEFFICIENT_SETS = 6;

// Position and velocity of a Type 3 record (MID, RADIUS, six sets of n
// coefficients) at its scaled time x.
StateVector type3_state(const double* words, std::size_t n, double x);

// The acceleration of a Type 3 record at its scaled time x: the derivative of
// its velocity polynomials.
void type3_acceleration(const double* words, std::size_t n, double x, double acceleration[3]);

// A Type 2 segment error reported for the Type 3 segment that raised it.
SpkError as_type3_error(SpkError error);

}  // namespace orvane
