#pragma once
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "spk/daf.hpp"
#include "spk/kernel_source.hpp"
#include "spk/spk_error.hpp"
#include "spk/spk_segment.hpp"
#include "spk/state_vector.hpp"
#include "spk/type13.hpp"
#include "spk/type2.hpp"
#include "spk/type21.hpp"

namespace orvane {

// Identifies a segment's data within one kernel.
struct SegmentAddressKey {
    std::int32_t start_address = 0;
    std::int32_t end_address = 0;
    bool operator==(const SegmentAddressKey&) const = default;
};

struct SegmentAddressKeyHash {
    std::size_t operator()(const SegmentAddressKey& key) const noexcept {
        std::uint64_t packed = (std::uint64_t{static_cast<std::uint32_t>(key.start_address)} << 32) |
                               static_cast<std::uint32_t>(key.end_address);
        return static_cast<std::size_t>(packed * 0x9E3779B97F4A7C15ULL ^ (packed >> 29));
    }
};

// One opened SPK kernel: its file record, its byte source and the caches of
// what has been decoded from it. Opening reads record 1 only; the segment
// list is decoded on first request, Type 2 directories and records when first
// evaluated. Every operation that reads needs exclusive use of the kernel.
class SpkKernel {
public:
    static std::expected<SpkKernel, SpkError> open(std::string_view path);
    // Reads record 1 from the source's current position (0 for a fresh source).
    static std::expected<SpkKernel, SpkError> from_reader(KernelSource source);

    SpkKernel(SpkKernel&&) noexcept = default;
    SpkKernel& operator=(SpkKernel&&) noexcept = default;
    SpkKernel(const SpkKernel&) = delete;
    SpkKernel& operator=(const SpkKernel&) = delete;

    const DafFileRecord& file_record() const { return file_record_; }
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
    // written into `states` (as long as `epochs`).
    std::expected<void, SpkError> evaluate_into(const SegmentLoc& segment, std::span<const double> epochs,
                                                std::span<StateVector> states);
    // The same for one epoch.
    std::expected<StateVector, SpkError> evaluate_at(const SegmentLoc& segment, double epoch);

    // States of the segment at each epoch, in the order of `epochs`.
    std::expected<std::vector<StateVector>, SpkError> evaluate_type2_at_epochs(const SegmentLoc& segment,
                                                                               std::span<const double> epochs);
    // The same, writing into `states` (as long as `epochs`).
    std::expected<void, SpkError> evaluate_type2_into(const SegmentLoc& segment, std::span<const double> epochs,
                                                      std::span<StateVector> states);
    // The same for one epoch, without the batch's working tables.
    std::expected<StateVector, SpkError> evaluate_type2_at(const SegmentLoc& segment, double epoch);

private:
    SpkKernel(DafFileRecord file_record, KernelSource source)
        : file_record_(std::move(file_record)), source_(std::move(source)) {}

    std::expected<std::vector<SpkSegment>, SpkError> walk_summary_chain();
    std::expected<void, SpkError> read_record(std::uint32_t record, std::span<std::uint8_t, DAF_RECORD_BYTES> out);
    std::expected<const Type2Directory*, SpkError> type2_directory(const SegmentLoc& segment);
    // Record `index` of the segment, from the record cache or else read into it.
    std::expected<const Type2Record*, SpkError> type2_record(const SegmentLoc& segment,
                                                             const Type2Directory& directory, std::uint32_t index,
                                                             Type2Record*& cached);
    std::expected<void, SpkError> check_type_and_coverage(const SegmentLoc& segment, std::span<const double> epochs);
    std::expected<void, SpkError> check_coverage(const SegmentLoc& segment, std::span<const double> epochs);
    // Types 13 and 21: each epoch alone, in increasing time so that
    // neighbouring epochs share what was read.
    template <typename Segment>
    std::expected<void, SpkError> evaluate_by_epoch(
        std::unordered_map<SegmentAddressKey, Segment, SegmentAddressKeyHash>& cache, const SegmentLoc& segment,
        std::span<const double> epochs, std::span<StateVector> states);

    DafFileRecord file_record_;
    std::optional<std::vector<SpkSegment>> segments_;
    std::unordered_map<SegmentAddressKey, Type2Directory, SegmentAddressKeyHash> type2_directories_;
    std::unordered_map<SegmentAddressKey, Type2Record, SegmentAddressKeyHash> type2_records_;
    std::unordered_map<SegmentAddressKey, Type13Segment, SegmentAddressKeyHash> type13_segments_;
    std::unordered_map<SegmentAddressKey, Type21Segment, SegmentAddressKeyHash> type21_segments_;
    KernelSource source_;
};

}  // namespace orvane
