#pragma once
#include <cstdint>
#include <expected>
#include <span>
#include <vector>

#include "spk/spk_error.hpp"
#include "spk/state_vector.hpp"

// SPK data type 2: fixed-length Chebyshev records of position, one per fixed
// interval, velocity being the derivative of the polynomials. A segment holds
// N records of RSIZE words followed by the directory INIT, INTLEN, RSIZE, N.
namespace orvane {

inline constexpr std::int32_t SPK_TYPE_2 = 2;
inline constexpr std::size_t TYPE2_DIRECTORY_WORDS = 4;
// The most coefficients per component a record may hold (Chebyshev degree
// 1023). Ephemerides stay far below it (the planetary ones under degree 20);
// the bound keeps a malformed directory from making one record hold
// gigabytes, and such a record size is refused as malformed.
inline constexpr std::uint32_t TYPE2_MAX_COEFFICIENTS = 1024;
inline constexpr std::uint32_t TYPE2_MAX_RECORD_WORDS = 2 + 3 * TYPE2_MAX_COEFFICIENTS;

struct Type2Directory {
    double init = 0.0;    // start of record 0's interval, TDB seconds past J2000
    double intlen = 0.0;  // length of every record's interval, seconds
    std::uint32_t rsize = 0;
    std::uint32_t record_count = 0;
};

// Validates the four directory words (INIT, INTLEN, RSIZE, N) read from the
// end of the segment whose data occupies [start_address, end_address]. Type 3
// segments share the layout with six coefficient sets per record instead of three.
std::expected<Type2Directory, SpkError> parse_type2_directory(std::span<const double, 4> words,
                                                              std::int32_t start_address,
                                                              std::int32_t end_address,
                                                              std::uint32_t coefficient_sets = 3);

// The record whose interval holds the epoch; an epoch exactly at the end of
// the last interval uses the last record.
std::expected<std::uint32_t, SpkError> type2_record_index(const Type2Directory& directory, double epoch);

// First word address of record k of the segment starting at start_address.
std::expected<std::int32_t, SpkError> type2_record_address(const Type2Directory& directory,
                                                           std::int32_t start_address, std::uint32_t index);

// What is wrong with a record, found once when it is read: a midpoint or
// radius that is not finite (or a radius not positive), or a coefficient
// that is not finite.
enum class ChebyshevRecordFault : std::uint8_t { None, MidpointRadius, Coefficients };
ChebyshevRecordFault chebyshev_record_fault(std::span<const double> words);

// The record's scaled time x = (epoch - MID) / RADIUS in [-1, 1], or the
// record's error for the epoch: a bad midpoint or radius first, then an
// epoch outside the record, then bad coefficients.
std::expected<double, SpkError> chebyshev_argument(const double* words, ChebyshevRecordFault fault, double epoch);

// Position and velocity of a Type 2 record (MID, RADIUS, then n coefficients
// of x, y and z) at its scaled time x. The operations are done in a fixed
// order, each rounded separately.
StateVector type2_state(const double* words, std::size_t n, double x);

// The same position alone (bit for bit), without the velocity's sums; the
// velocity is zero.
StateVector type2_position(const double* words, std::size_t n, double x);

// The same position and velocity (bit for bit) and the acceleration, the
// second derivative of the polynomials: T''_k = k U'_(k-1), with
// U'_(k+1) = 2 U_k + 2x U'_k - U'_(k-1) beside the recurrences of T and U.
StateVector type2_state_acceleration(const double* words, std::size_t n, double x, double acceleration[3]);

// Two such evaluations with accelerations at once, each bit for bit the one
// type2_state_acceleration gives.
void type2_state_acceleration_pair(const double* words_a, const double* words_b, std::size_t n, double x_a,
                                   double x_b, StateVector& a, StateVector& b, double acceleration_a[3],
                                   double acceleration_b[3]);

// Two such evaluations at once (two records of the same size, or one record
// twice), each state bit for bit the one type2_state gives.
void type2_state_pair(const double* words_a, const double* words_b, std::size_t n, double x_a, double x_b,
                      StateVector& a, StateVector& b);

// Two positions at once, each bit for bit the one type2_position gives.
void type2_position_pair(const double* words_a, const double* words_b, std::size_t n, double x_a, double x_b,
                         StateVector& a, StateVector& b);

}  // namespace orvane
