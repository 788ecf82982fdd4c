#pragma once
#include <cstdint>
#include <expected>
#include <span>
#include <vector>

#include "core/vector.hpp"
#include "spk/spk_error.hpp"
#include "spk/spk_segment.hpp"
#include "spk/state_vector.hpp"
#include "spk/type2.hpp"

// A Type 2 or Type 3 segment across evaluations: its directory and a run of
// consecutive records read with one positioned read, decoded and checked
// once, then served from memory. A batch reads, at each record it lacks, as
// far as the later epochs of the same call need within a bounded block; one
// epoch reads one record.
namespace orvane {

class SpkKernel;

// Words one read brings in at most, unless a single record is larger.
inline constexpr std::size_t CHEBYSHEV_BLOCK_WORDS = 4096;

class ChebyshevSegment {
public:
    static std::expected<ChebyshevSegment, SpkError> load(SpkKernel& kernel, const SegmentLoc& segment);

    // States at each epoch (within the segment's coverage), in the order of
    // `epochs`, and the accelerations when `accelerations` is not empty (as
    // long as `epochs`); errors are those of a Type 2 segment. Epochs are
    // visited in record order, so no record is read twice in one call. A call
    // with the epochs of the one before (the chains of a body and its origin
    // sharing a link) is served from what that call found; without
    // `kept_for_a_repeat`, this call's results are not kept and what the
    // one before found stays for a repeat. Positions alone (without
    // accelerations) are never kept, and served by a repeat like states.
    std::expected<void, SpkError> evaluate(SpkKernel& kernel, const SegmentLoc& segment,
                                           std::span<const double> epochs, std::span<StateVector> states,
                                           std::span<Vector3> accelerations = {}, bool kept_for_a_repeat = true,
                                           Evaluated evaluated = Evaluated::States);
    // One epoch: evaluate_records' steps for a call of one epoch, without its
    // tables, and the same keeping for a repeat as evaluate (`positions`:
    // Evaluated::Positions without an acceleration).
    std::expected<void, SpkError> evaluate_one(SpkKernel& kernel, const SegmentLoc& segment, double epoch,
                                               StateVector& state, Vector3* acceleration, bool kept_for_a_repeat,
                                               bool positions);

private:
    // Reads records [first, first + count); on failure of a longer read,
    // tries the first record alone.
    std::expected<void, SpkError> read_records(SpkKernel& kernel, const SegmentLoc& segment, std::uint32_t first,
                                               std::uint32_t count);
    bool holds(std::uint32_t record) const { return record >= first_ && record - first_ < held_; }
    const double* record_words(std::uint32_t record) const;
    // The record's scaled time at the epoch, or its error.
    std::expected<double, SpkError> argument(std::uint32_t record, double epoch) const;
    std::expected<StateVector, SpkError> state_at(std::uint32_t record, double epoch, bool positions) const;
    std::expected<void, SpkError> evaluate_records(SpkKernel& kernel, const SegmentLoc& segment,
                                                   std::span<const double> epochs, std::span<StateVector> states,
                                                   std::span<Vector3> accelerations, bool positions);
    // Whether the last call had these epochs (and found accelerations when asked).
    bool repeats_last(std::span<const double> epochs, bool with_accelerations) const;

    Type2Directory directory_;
    std::uint32_t sets_ = 3;           // coefficient sets per record: 3 (Type 2) or 6 (Type 3)
    std::uint32_t coefficients_ = 0;   // per set
    std::uint32_t first_ = 0;          // first record held
    std::uint32_t held_ = 0;           // records held
    std::vector<double> words_;        // the held records' words
    std::vector<ChebyshevRecordFault> faults_;
    std::vector<std::uint32_t> records_;  // working tables of one call
    std::vector<std::uint32_t> order_;
    // The last successful call: its epochs, states and accelerations.
    std::vector<double> last_epochs_;
    std::vector<StateVector> last_states_;
    std::vector<Vector3> last_accelerations_;
    bool last_valid_ = false;
};

}  // namespace orvane
