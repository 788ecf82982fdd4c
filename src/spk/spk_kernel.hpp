#pragma once
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

#include "spk/chebyshev_segment.hpp"
#include "spk/daf.hpp"
#include "spk/kernel_source.hpp"
#include "spk/spk_error.hpp"
#include "spk/spk_segment.hpp"
#include "spk/state_vector.hpp"
#include "spk/type13.hpp"
#include "spk/type21.hpp"

namespace orvane {

// One opened SPK kernel: its file record, its byte source and the caches of
// what has been decoded from it. Opening reads record 1 only; the segment
// list is decoded on first request; what a segment's evaluation needs
// (directories, epoch tables, records) when it is first evaluated, kept
// beside its place in the list. Every operation that reads needs exclusive use of the kernel.
// The step over which a segment without polynomials of its own velocity's
// rate takes its acceleration from two velocities: good to a few parts in
// 1e5 of the Earth's (its rate over the step).
inline constexpr double FINITE_ACCELERATION_STEP_SECONDS = 600.0;

class SpkKernel {
public:
    static std::expected<SpkKernel, SpkError> open(std::string_view path);
    // Reads record 1 from the source's current position (0 for a fresh source).
    static std::expected<SpkKernel, SpkError> from_reader(KernelSource source);

    SpkKernel(SpkKernel&&) noexcept = default;
    SpkKernel& operator=(SpkKernel&&) noexcept = default;
    SpkKernel(const SpkKernel&) = delete;
    SpkKernel& operator=(const SpkKernel&) = delete;

    // A kernel over the same open file with caches of its own (the segment
    // list copied when already decoded, nothing else loaded): what another
    // thread evaluates through while this kernel is in use elsewhere.
    std::expected<SpkKernel, SpkError> sibling() const;

    const DafFileRecord& file_record() const { return file_record_; }
    // Distinct for every kernel opened in the process (a moved kernel keeps
    // its own): what lets a walk keep what it found in a set of kernels.
    std::uint64_t identity() const { return identity_; }
    const KernelSource& source() const { return source_; }

    // A copy of the segment list in file order; decoded on the first
    // successful call and served from the kernel afterwards.
    std::expected<std::vector<SpkSegment>, SpkError> segments();
    // The same list without copying; valid as long as the kernel.
    std::expected<std::span<const SpkSegment>, SpkError> segment_list();

    // `count` words starting at the one-based word address `start_word`.
    std::expected<std::vector<double>, SpkError> read_words(std::int64_t start_word, std::size_t count);
    // The same into `out`, as many words as it holds.
    std::expected<void, SpkError> read_words_into(std::int64_t start_word, std::span<double> out);

    // States of a segment of any supported type (2, 3, 13, 21) at each epoch,
    // written into `states` (as long as `epochs`): the one evaluation of a
    // segment, for one epoch as for many. When `accelerations` is not empty
    // (as long as `epochs`), the accelerations too (km/s²): the second
    // derivative of a Chebyshev record's polynomials from the same pass
    // (Types 2 and 3); for Types 13 and 21, the change of velocity over
    // FINITE_ACCELERATION_STEP_SECONDS before the epoch (after it where the
    // segment starts later). Without `kept_for_a_repeat`, a Chebyshev
    // segment keeps what it held for a repeat of its earlier call rather
    // than these results (a link no other chain is likely to ask for again).
    // Evaluated::Positions spares a Type 2 segment its velocities (zero then,
    // the positions the same bits); other types fill whole states.
    std::expected<void, SpkError> evaluate_into(const SegmentLoc& segment, std::span<const double> epochs,
                                                std::span<StateVector> states, std::span<Vector3> accelerations = {},
                                                bool kept_for_a_repeat = true,
                                                Evaluated evaluated = Evaluated::States);
    // evaluate_into for one epoch (`acceleration` null for none): the same
    // results and errors, a Chebyshev segment reached without the spans.
    std::expected<void, SpkError> evaluate_one_into(const SegmentLoc& segment, double epoch, StateVector& state,
                                                    Vector3* acceleration, bool kept_for_a_repeat,
                                                    Evaluated evaluated);

private:
    SpkKernel(DafFileRecord file_record, KernelSource source);

    // What one segment's evaluations keep: nothing yet, or its type's data.
    struct SegmentCache {
        std::int32_t start_address = 0;
        std::int32_t end_address = 0;
        std::int32_t data_type = 0;
        std::variant<std::monostate, ChebyshevSegment, Type13Segment, Type21Segment> data;
    };

    std::expected<std::vector<SpkSegment>, SpkError> walk_summary_chain();
    std::expected<void, SpkError> read_record(std::uint32_t record, std::span<std::uint8_t, DAF_RECORD_BYTES> out);
    std::expected<void, SpkError> check_coverage(const SegmentLoc& segment, std::span<const double> epochs);
    // The cache beside the segment's place in the list; a location that is
    // not in the list shares one spare cache, emptied when another comes.
    SegmentCache& cache_for(const SegmentLoc& segment);
    // The segment's data of type Segment, loaded on first use.
    template <typename Segment>
    std::expected<Segment*, SpkError> loaded(const SegmentLoc& segment);
    // Types 13 and 21: each epoch alone, in increasing time so that
    // neighbouring epochs share what was read.
    template <typename Segment>
    std::expected<void, SpkError> evaluate_by_epoch(Segment& data, const SegmentLoc& segment,
                                                    std::span<const double> epochs, std::span<StateVector> states,
                                                    std::span<Vector3> accelerations);

    DafFileRecord file_record_;
    std::uint64_t identity_;
    std::optional<std::vector<SpkSegment>> segments_;
    std::vector<SegmentCache> caches_;
    SegmentCache spare_cache_;
    KernelSource source_;
};

}  // namespace orvane
