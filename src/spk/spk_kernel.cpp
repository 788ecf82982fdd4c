#include "spk/spk_kernel.hpp"

#include <algorithm>
#include <cerrno>
#include <new>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <unordered_set>

#include "core/system_file.hpp"
#include "spk/type3.hpp"

namespace orvane {
namespace {

// A record of a Type 2 or Type 3 segment at the epoch.
std::expected<StateVector, SpkError> evaluate_loaded_chebyshev_record(const SegmentLoc& segment,
                                                                      std::span<const double> words,
                                                                      std::uint32_t rsize, double epoch) {
    if (segment.data_type == SPK_TYPE_3) return evaluate_loaded_type3_record(words, rsize, epoch);
    return evaluate_loaded_type2_record(words, rsize, epoch);
}

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
    const bool big_endian = file_record_.big_endian;
    for (double& word : out) {
        std::array<std::uint8_t, DAF_WORD_BYTES> bytes;
        std::memcpy(bytes.data(), &word, DAF_WORD_BYTES);
        word = read_f64(bytes, big_endian);
    }
    return {};
}

std::expected<void, SpkError> SpkKernel::evaluate_into(const SegmentLoc& segment, std::span<const double> epochs,
                                                       std::span<StateVector> states) {
    switch (segment.data_type) {
        case SPK_TYPE_2: return evaluate_type2_into(segment, epochs, states);
        case SPK_TYPE_3: {
            auto done = evaluate_type2_into(segment, epochs, states);
            if (!done) return std::unexpected(as_type3_error(std::move(done.error())));
            return {};
        }
        case SPK_TYPE_13: return evaluate_by_epoch(type13_segments_, segment, epochs, states);
        case SPK_TYPE_21: return evaluate_by_epoch(type21_segments_, segment, epochs, states);
        default: return std::unexpected(SpkError::unsupported_segment_type(segment.data_type));
    }
}

std::expected<StateVector, SpkError> SpkKernel::evaluate_at(const SegmentLoc& segment, double epoch) {
    switch (segment.data_type) {
        case SPK_TYPE_2: return evaluate_type2_at(segment, epoch);
        case SPK_TYPE_3: {
            auto state = evaluate_type2_at(segment, epoch);
            if (!state) return std::unexpected(as_type3_error(std::move(state.error())));
            return state;
        }
        default: {
            StateVector state;
            auto done = evaluate_into(segment, std::span<const double>(&epoch, 1), std::span<StateVector>(&state, 1));
            if (!done) return std::unexpected(std::move(done.error()));
            return state;
        }
    }
}

template <typename Segment>
std::expected<void, SpkError> SpkKernel::evaluate_by_epoch(
    std::unordered_map<SegmentAddressKey, Segment, SegmentAddressKeyHash>& cache, const SegmentLoc& segment,
    std::span<const double> epochs, std::span<StateVector> states) {
    if (auto checked = check_coverage(segment, epochs); !checked) return checked;
    if (epochs.empty()) return {};
    const SegmentAddressKey key{segment.start_address, segment.end_address};
    auto found = cache.find(key);
    if (found == cache.end()) {
        auto loaded = Segment::load(*this, segment);
        if (!loaded) return std::unexpected(std::move(loaded.error()));
        found = cache.emplace(key, std::move(*loaded)).first;
    }
    Segment& data = found->second;
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
    return {};
}

std::expected<const Type2Directory*, SpkError> SpkKernel::type2_directory(const SegmentLoc& segment) {
    SegmentAddressKey key{segment.start_address, segment.end_address};
    if (auto found = type2_directories_.find(key); found != type2_directories_.end()) return &found->second;
    auto words = read_words(std::int64_t{segment.end_address} - 3, TYPE2_DIRECTORY_WORDS);
    if (!words) return std::unexpected(std::move(words.error()));
    auto directory = parse_type2_directory(std::span<const double, 4>(words->data(), 4), segment.start_address,
                                           segment.end_address,
                                           segment.data_type == SPK_TYPE_3 ? TYPE3_COEFFICIENT_SETS : 3);
    if (!directory) return std::unexpected(std::move(directory.error()));
    return &type2_directories_.emplace(key, *directory).first->second;
}

std::expected<std::vector<StateVector>, SpkError> SpkKernel::evaluate_type2_at_epochs(const SegmentLoc& segment,
                                                                                      std::span<const double> epochs) {
    std::vector<StateVector> states(epochs.size());
    auto done = evaluate_type2_into(segment, epochs, states);
    if (!done) return std::unexpected(std::move(done.error()));
    return states;
}

std::expected<void, SpkError> SpkKernel::check_type_and_coverage(const SegmentLoc& segment,
                                                                 std::span<const double> epochs) {
    if (segment.data_type != SPK_TYPE_2 && segment.data_type != SPK_TYPE_3) {
        return std::unexpected(SpkError::unsupported_segment_type(segment.data_type));
    }
    return check_coverage(segment, epochs);
}

std::expected<void, SpkError> SpkKernel::check_coverage(const SegmentLoc& segment, std::span<const double> epochs) {
    for (double epoch : epochs) {
        if (!std::isfinite(epoch) || epoch < segment.start_epoch || epoch > segment.end_epoch) {
            return std::unexpected(SpkError::epoch_outside_coverage(epoch, segment.start_epoch, segment.end_epoch));
        }
    }
    return {};
}

std::expected<const Type2Record*, SpkError> SpkKernel::type2_record(const SegmentLoc& segment,
                                                                    const Type2Directory& directory,
                                                                    std::uint32_t index, Type2Record*& cached) {
    // The cache keeps the last record loaded for each segment.
    if (cached == nullptr) {
        auto found = type2_records_.find(SegmentAddressKey{segment.start_address, segment.end_address});
        if (found != type2_records_.end()) cached = &found->second;
    }
    if (cached != nullptr && cached->index == index) return cached;
    auto address = type2_record_address(directory, segment.start_address, index);
    if (!address) return std::unexpected(std::move(address.error()));
    auto words = read_words(*address, directory.rsize);
    if (!words) return std::unexpected(std::move(words.error()));
    cached = &type2_records_[SegmentAddressKey{segment.start_address, segment.end_address}];
    *cached = Type2Record{std::move(*words), index};
    return cached;
}

std::expected<StateVector, SpkError> SpkKernel::evaluate_type2_at(const SegmentLoc& segment, double epoch) {
    if (auto checked = check_type_and_coverage(segment, std::span<const double>(&epoch, 1)); !checked) {
        return std::unexpected(std::move(checked.error()));
    }
    auto directory = type2_directory(segment);
    if (!directory) return std::unexpected(std::move(directory.error()));
    auto index = type2_record_index(**directory, epoch);
    if (!index) return std::unexpected(std::move(index.error()));
    Type2Record* cached = nullptr;
    auto record = type2_record(segment, **directory, *index, cached);
    if (!record) return std::unexpected(std::move(record.error()));
    return evaluate_loaded_chebyshev_record(segment, (*record)->words, (*directory)->rsize, epoch);
}

std::expected<void, SpkError> SpkKernel::evaluate_type2_into(const SegmentLoc& segment, std::span<const double> epochs,
                                                             std::span<StateVector> states) {
    if (auto checked = check_type_and_coverage(segment, epochs); !checked) {
        return std::unexpected(std::move(checked.error()));
    }
    if (epochs.empty()) return {};
    auto directory_found = type2_directory(segment);
    if (!directory_found) return std::unexpected(std::move(directory_found.error()));
    const Type2Directory directory = **directory_found;

    std::vector<std::uint32_t> record_of(epochs.size());
    bool in_record_order = true;
    for (std::size_t i = 0; i < epochs.size(); ++i) {
        auto index = type2_record_index(directory, epochs[i]);
        if (!index) return std::unexpected(std::move(index.error()));
        record_of[i] = *index;
        if (i > 0 && record_of[i] < record_of[i - 1]) in_record_order = false;
    }
    // Visiting the epochs in record order reads every record at most once.
    std::vector<std::size_t> order;
    if (!in_record_order) {
        order.resize(epochs.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return record_of[a] < record_of[b]; });
    }

    Type2Record* cached = nullptr;
    for (std::size_t step = 0; step < epochs.size(); ++step) {
        std::size_t position = in_record_order ? step : order[step];
        auto record = type2_record(segment, directory, record_of[position], cached);
        if (!record) return std::unexpected(std::move(record.error()));
        auto state = evaluate_loaded_chebyshev_record(segment, (*record)->words, directory.rsize, epochs[position]);
        if (!state) return std::unexpected(std::move(state.error()));
        states[position] = *state;
    }
    return {};
}

}  // namespace orvane
