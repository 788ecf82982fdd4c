#pragma once
#include <cstdint>
#include <expected>
#include <limits>
#include <span>
#include <vector>

#include "spk/epoch_table.hpp"
#include "spk/spk_error.hpp"
#include "spk/spk_segment.hpp"
#include "spk/state_vector.hpp"

// SPK data type 21: extended modified difference arrays, the output of a
// variable-step integrator (Horizons' kernels for asteroids and comets). Each
// record covers the time from the previous record's final epoch to its own.
// A segment holds N records of 4 MAXDIM + 11 words, their N final epochs, the
// epoch directory, then MAXDIM and N.
namespace orvane {

class SpkKernel;

inline constexpr std::int32_t SPK_TYPE_21 = 21;
inline constexpr std::uint32_t TYPE21_MAX_DIMENSION = 25;

inline std::uint32_t type21_record_words(std::uint32_t dimension) { return 4 * dimension + 11; }

// The state from one record's words at the epoch. A record is TL (reference
// epoch), G (MAXDIM step sizes), the reference position and velocity
// interleaved (x, vx, y, vy, z, vz), the difference arrays DT (MAXDIM per
// component), KQMAX1 and the three integration orders KQ. Pure.
std::expected<StateVector, SpkError> evaluate_loaded_type21_record(std::span<const double> words,
                                                                   std::uint32_t dimension, double epoch);

// What one segment needs across evaluations: its sizes, its epoch table and
// the record last loaded.
class Type21Segment {
public:
    static std::expected<Type21Segment, SpkError> load(SpkKernel& kernel, const SegmentLoc& segment);
    std::expected<StateVector, SpkError> evaluate(SpkKernel& kernel, const SegmentLoc& segment, double epoch);

private:
    static constexpr std::uint32_t NO_RECORD = std::numeric_limits<std::uint32_t>::max();
    std::uint32_t count_ = 0;
    std::uint32_t dimension_ = 0;
    EpochTable epochs_;
    std::uint32_t loaded_ = NO_RECORD;
    std::vector<double> record_;
};

}  // namespace orvane
