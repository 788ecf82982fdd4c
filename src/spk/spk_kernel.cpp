#include "spk/spk_kernel.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>
#include <unordered_set>

#include "core/files/system_file.hpp"
#include "spk/type3.hpp"

namespace orvane {
namespace {

using R = SpkError::Reason;

constexpr std::uint32_t SPK_ND = 2;
constexpr std::uint32_t SPK_NI = 6;

SpkError io_error(IoError error) { return SpkError::io(std::move(error.text)); }

// A summary control word (NEXT, PREV, NSUM): a whole number in [0, 4294967295];
// a negative zero counts as zero.
std::expected<std::uint32_t, SpkError> control_word(ByteSpan bytes, bool big_endian) {
    double value = read_f64(bytes, big_endian);
    if (!std::isfinite(value) || value < 0.0 || std::floor(value) != value || value > 4294967295.0) {
        return std::unexpected(SpkError::invalid_summary_chain(R::ControlWordNotInteger));
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace

SpkKernel::SpkKernel(DafFileRecord file_record, KernelSource source)
    : file_record_(std::move(file_record)), source_(std::move(source)) {
    static std::atomic<std::uint64_t> opened{0};
    identity_ = ++opened;
}

std::expected<SpkKernel, SpkError> SpkKernel::open(std::string_view path) {
    auto source = KernelSource::open(path);
    if (!source) return std::unexpected(io_error(std::move(source.error())));
    return from_reader(std::move(*source));
}

std::expected<SpkKernel, SpkError> SpkKernel::from_reader(KernelSource source) {
    std::array<std::uint8_t, DAF_RECORD_BYTES> record{};
    auto read = source.read_exact(std::as_writable_bytes(std::span(record)));
    if (!read) return std::unexpected(io_error(std::move(read.error())));
    auto file_record = parse_file_record(record);
    if (!file_record) return std::unexpected(std::move(file_record.error()));
    return SpkKernel(std::move(*file_record), std::move(source));
}

std::expected<SpkKernel, SpkError> SpkKernel::sibling() const {
    auto source = source_.duplicate();
    if (!source) return std::unexpected(io_error(std::move(source.error())));
    SpkKernel kernel(file_record_, std::move(*source));
    if (segments_) {
        kernel.segments_ = segments_;
        kernel.caches_.resize(segments_->size());
    }
    return kernel;
}

std::expected<std::vector<SpkSegment>, SpkError> SpkKernel::segments() {
    auto list = segment_list();
    if (!list) return std::unexpected(std::move(list.error()));
    return std::vector<SpkSegment>(list->begin(), list->end());
}

std::expected<std::span<const SpkSegment>, SpkError> SpkKernel::segment_list() {
    if (!segments_) {
        auto walked = walk_summary_chain();
        if (!walked) return std::unexpected(std::move(walked.error()));
        segments_ = std::move(*walked);
        caches_.resize(segments_->size());
    }
    return std::span<const SpkSegment>(*segments_);
}

std::expected<void, SpkError> SpkKernel::read_record(std::uint32_t record,
                                                     std::span<std::uint8_t, DAF_RECORD_BYTES> out) {
    std::uint64_t offset = (std::uint64_t{record} - 1) * DAF_RECORD_BYTES;
    auto seek = source_.seek(SeekOrigin::Start, static_cast<std::int64_t>(offset));
    if (!seek) return std::unexpected(io_error(std::move(seek.error())));
    auto read = source_.read_exact(std::as_writable_bytes(out));
    if (!read) return std::unexpected(io_error(std::move(read.error())));
    return {};
}

std::expected<std::vector<SpkSegment>, SpkError> SpkKernel::walk_summary_chain() {
    const DafFileRecord& file = file_record_;
    if (file.nd != SPK_ND || file.ni != SPK_NI) {
        return std::unexpected(SpkError::unsupported_summary_layout(file.nd, file.ni));
    }
    const std::uint32_t summary_words = file.nd + (file.ni + 1) / 2;
    const std::uint32_t capacity = 125 / summary_words;

    std::vector<SpkSegment> segments;
    std::unordered_set<std::uint32_t> visited;
    std::uint32_t record = file.forward;
    std::uint32_t expected_backward = 0;
    std::array<std::uint8_t, DAF_RECORD_BYTES> summaries{};
    std::array<std::uint8_t, DAF_RECORD_BYTES> names{};
    const ByteSpan summary_bytes(summaries);
    const ByteSpan name_bytes(names);
    while (true) {
        if (!visited.insert(record).second) return std::unexpected(SpkError::invalid_summary_chain(R::ChainCycle));
        if (auto read = read_record(record, summaries); !read) return std::unexpected(std::move(read.error()));

        auto next = control_word(summary_bytes.subspan(0, 8), file.big_endian);
        if (!next) return std::unexpected(std::move(next.error()));
        auto previous = control_word(summary_bytes.subspan(8, 8), file.big_endian);
        if (!previous) return std::unexpected(std::move(previous.error()));
        auto count = control_word(summary_bytes.subspan(16, 8), file.big_endian);
        if (!count) return std::unexpected(std::move(count.error()));

        if (*previous != expected_backward) {
            return std::unexpected(SpkError::invalid_summary_chain(R::IncorrectBackwardPointer));
        }
        if (*count > capacity) return std::unexpected(SpkError::invalid_summary_chain(R::SummaryCountExceedsCapacity));
        if (record == std::numeric_limits<std::uint32_t>::max()) {
            return std::unexpected(SpkError::invalid_summary_chain(R::NameRecordOverflow));
        }
        if (auto read = read_record(record + 1, names); !read) return std::unexpected(std::move(read.error()));

        for (std::uint32_t i = 0; i < *count; ++i) {
            auto name = parse_ascii_field(name_bytes.subspan(i * SPK_SUMMARY_BYTES, SPK_SUMMARY_BYTES),
                                          "segment identifier");
            if (!name) return std::unexpected(std::move(name.error()));
            auto segment = parse_spk_summary(
                summary_bytes.subspan(DAF_SUMMARY_CONTROL_BYTES + i * SPK_SUMMARY_BYTES, SPK_SUMMARY_BYTES),
                std::move(*name), file.big_endian);
            if (!segment) return std::unexpected(std::move(segment.error()));
            segment->index = static_cast<std::uint32_t>(segments.size());
            segments.push_back(std::move(*segment));
        }

        if (*next != 0) {
            expected_backward = record;
            record = *next;
            continue;
        }
        if (record != file.backward) return std::unexpected(SpkError::invalid_summary_chain(R::ChainEndedEarly));
        return segments;
    }
}

std::expected<std::vector<double>, SpkError> SpkKernel::read_words(std::int64_t start_word, std::size_t count) {
    if (start_word < 1) return std::unexpected(SpkError::invalid_type2_segment(R::WordAddressesOneBased));
    std::int64_t offset;
    if (__builtin_mul_overflow(start_word - 1, std::int64_t{DAF_WORD_BYTES}, &offset)) {
        return std::unexpected(SpkError::io(std::string(INVALID_SEEK_TEXT)));
    }
    // Words the file does not hold are refused before anything is allocated,
    // with the error the read itself would give.
    std::uint64_t position = static_cast<std::uint64_t>(offset);
    std::uint64_t available = position < source_.length() ? source_.length() - position : 0;
    if (count > available / DAF_WORD_BYTES) return std::unexpected(SpkError::io(std::string(FILL_WHOLE_BUFFER_TEXT)));

    // A crafted directory can ask for more words than memory holds (a sparse
    // file is cheap to make): that is a read failure, not the end of the process.
    std::vector<double> words;
    try {
        words.resize(count);
    } catch (const std::bad_alloc&) {
        return std::unexpected(SpkError::io(system_error_text(ENOMEM)));
    }
    auto read = read_words_into(start_word, words);
    if (!read) return std::unexpected(std::move(read.error()));
    return words;
}

std::expected<void, SpkError> SpkKernel::read_words_into(std::int64_t start_word, std::span<double> out) {
    if (start_word < 1) return std::unexpected(SpkError::invalid_type2_segment(R::WordAddressesOneBased));
    std::int64_t offset;
    if (__builtin_mul_overflow(start_word - 1, std::int64_t{DAF_WORD_BYTES}, &offset)) {
        return std::unexpected(SpkError::io(std::string(INVALID_SEEK_TEXT)));
    }
    auto seek = source_.seek(SeekOrigin::Start, offset);
    if (!seek) return std::unexpected(io_error(std::move(seek.error())));
    auto read = source_.read_exact(std::as_writable_bytes(out));
    if (!read) return std::unexpected(io_error(std::move(read.error())));
    // The words arrived in the file's byte order; in the machine's own there
    // is nothing to do.
    if (file_record_.big_endian != (std::endian::native == std::endian::big)) {
        for (double& word : out) word = std::bit_cast<double>(std::byteswap(std::bit_cast<std::uint64_t>(word)));
    }
    return {};
}

SpkKernel::SegmentCache& SpkKernel::cache_for(const SegmentLoc& segment) {
    auto same_place = [&segment](const auto& other) {
        return other.start_address == segment.start_address && other.end_address == segment.end_address &&
               other.data_type == segment.data_type;
    };
    const bool listed = segments_ && segment.index < segments_->size() && same_place((*segments_)[segment.index]);
    SegmentCache& cache = listed ? caches_[segment.index] : spare_cache_;
    if (!same_place(cache)) cache = SegmentCache{segment.start_address, segment.end_address, segment.data_type, {}};
    return cache;
}

template <typename Segment>
std::expected<Segment*, SpkError> SpkKernel::loaded(const SegmentLoc& segment) {
    SegmentCache& cache = cache_for(segment);
    if (auto* data = std::get_if<Segment>(&cache.data)) return data;
    auto load = Segment::load(*this, segment);
    if (!load) return std::unexpected(std::move(load.error()));
    // Loading reads through this kernel but never touches the caches.
    return &cache.data.template emplace<Segment>(std::move(*load));
}

std::expected<void, SpkError> SpkKernel::evaluate_into(const SegmentLoc& segment, std::span<const double> epochs,
                                                       std::span<StateVector> states,
                                                       std::span<Vector3> accelerations, bool kept_for_a_repeat,
                                                       Evaluated evaluated) {
    switch (segment.data_type) {
        case SPK_TYPE_2:
        case SPK_TYPE_3: {
            if (auto checked = check_coverage(segment, epochs); !checked) return checked;
            if (epochs.empty()) return {};
            auto type3_aware = [&](SpkError error) {
                return std::unexpected(segment.data_type == SPK_TYPE_3 ? as_type3_error(std::move(error))
                                                                        : std::move(error));
            };
            auto data = loaded<ChebyshevSegment>(segment);
            if (!data) return type3_aware(std::move(data.error()));
            auto done =
                (*data)->evaluate(*this, segment, epochs, states, accelerations, kept_for_a_repeat, evaluated);
            if (!done) return type3_aware(std::move(done.error()));
            return {};
        }
        case SPK_TYPE_13:
        case SPK_TYPE_21: {
            if (auto checked = check_coverage(segment, epochs); !checked) return checked;
            if (epochs.empty()) return {};
            if (segment.data_type == SPK_TYPE_13) {
                auto data = loaded<Type13Segment>(segment);
                if (!data) return std::unexpected(std::move(data.error()));
                return evaluate_by_epoch(**data, segment, epochs, states, accelerations);
            }
            auto data = loaded<Type21Segment>(segment);
            if (!data) return std::unexpected(std::move(data.error()));
            return evaluate_by_epoch(**data, segment, epochs, states, accelerations);
        }
        default: return std::unexpected(SpkError::unsupported_segment_type(segment.data_type));
    }
}

std::expected<void, SpkError> SpkKernel::evaluate_one_into(const SegmentLoc& segment, double epoch,
                                                           StateVector& state, Vector3* acceleration,
                                                           bool kept_for_a_repeat, Evaluated evaluated) {
    if (segment.data_type != SPK_TYPE_2 && segment.data_type != SPK_TYPE_3) {
        return evaluate_into(segment, std::span<const double>(&epoch, 1), std::span<StateVector>(&state, 1),
                             acceleration ? std::span<Vector3>(acceleration, 1) : std::span<Vector3>(),
                             kept_for_a_repeat, evaluated);
    }
    // check_coverage's test of one epoch.
    if (!std::isfinite(epoch) || epoch < segment.start_epoch || epoch > segment.end_epoch) {
        return std::unexpected(SpkError::epoch_outside_coverage(epoch, segment.start_epoch, segment.end_epoch));
    }
    auto type3_aware = [&](SpkError error) {
        return std::unexpected(segment.data_type == SPK_TYPE_3 ? as_type3_error(std::move(error)) : std::move(error));
    };
    auto data = loaded<ChebyshevSegment>(segment);
    if (!data) return type3_aware(std::move(data.error()));
    auto done = (*data)->evaluate_one(*this, segment, epoch, state, acceleration, kept_for_a_repeat,
                                      evaluated == Evaluated::Positions && !acceleration);
    if (!done) return type3_aware(std::move(done.error()));
    return {};
}

template <typename Segment>
std::expected<void, SpkError> SpkKernel::evaluate_by_epoch(Segment& data, const SegmentLoc& segment,
                                                           std::span<const double> epochs,
                                                           std::span<StateVector> states,
                                                           std::span<Vector3> accelerations) {
    std::vector<std::size_t> order;
    if (!std::is_sorted(epochs.begin(), epochs.end())) {
        order.resize(epochs.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return epochs[a] < epochs[b]; });
    }
    for (std::size_t step = 0; step < epochs.size(); ++step) {
        std::size_t position = order.empty() ? step : order[step];
        auto state = data.evaluate(*this, segment, epochs[position]);
        if (!state) return std::unexpected(std::move(state.error()));
        states[position] = *state;
    }
    if (accelerations.empty()) return {};
    // Velocities a step away, inside the segment: before the epoch, or after
    // it where the segment starts less than a step earlier.
    for (std::size_t position = 0; position < epochs.size(); ++position) {
        const double epoch = epochs[position];
        double step = -FINITE_ACCELERATION_STEP_SECONDS;
        if (epoch + step < segment.start_epoch) step = FINITE_ACCELERATION_STEP_SECONDS;
        const double other = epoch + step;
        if (other < segment.start_epoch || other > segment.end_epoch) {
            accelerations[position] = Vector3{};
            continue;
        }
        auto state = data.evaluate(*this, segment, other);
        if (!state) return std::unexpected(std::move(state.error()));
        for (int i = 0; i < 3; ++i) {
            accelerations[position][i] = (state->velocity[i] - states[position].velocity[i]) / step;
        }
    }
    return {};
}

std::expected<void, SpkError> SpkKernel::check_coverage(const SegmentLoc& segment, std::span<const double> epochs) {
    for (double epoch : epochs) {
        if (!std::isfinite(epoch) || epoch < segment.start_epoch || epoch > segment.end_epoch) {
            return std::unexpected(SpkError::epoch_outside_coverage(epoch, segment.start_epoch, segment.end_epoch));
        }
    }
    return {};
}

}  // namespace orvane
