#include "spk/type21.hpp"

#include <array>
#include <cmath>

#include "spk/spk_kernel.hpp"

namespace orvane {
namespace {

using R = SpkError::Reason;

std::unexpected<SpkError> fail(R reason) {
    return std::unexpected(SpkError::invalid_typed_segment(SPK_TYPE_21, reason));
}

}  // namespace

// The evaluation of a modified difference line, as in SPICE's SPKE01/SPKE21.
std::expected<StateVector, SpkError> evaluate_loaded_type21_record(std::span<const double> words,
                                                                   std::uint32_t dimension, double epoch) {
    const std::size_t n = dimension;
    if (n < 1 || n > TYPE21_MAX_DIMENSION || words.size() < type21_record_words(dimension)) {
        return fail(R::DifferenceLineSize);
    }
    const double tl = words[0];
    const double* g = &words[1];
    const double* reference = &words[1 + n];  // x, vx, y, vy, z, vz
    const double* dt = &words[7 + n];         // DT(j, i) = dt[i n + j - 1]
    const double kqmax1_word = words[7 + 4 * n];
    // The orders index the difference arrays and the step sizes: KQMAX1 in
    // [1, MAXDIM + 1], each KQ in [0, KQMAX1 - 1].
    if (!is_whole(kqmax1_word, 1.0, double(n + 1))) return fail(R::IntegrationOrders);
    const std::size_t kqmax1 = static_cast<std::size_t>(kqmax1_word);
    std::size_t kq[3];
    for (int i = 0; i < 3; ++i) {
        double order = words[8 + 4 * n + i];
        if (!is_whole(order, 0.0, double(kqmax1 - 1))) return fail(R::IntegrationOrders);
        kq[i] = static_cast<std::size_t>(order);
    }

    // One-based arrays as in the description of the method: fc(j), wc(j), w(j).
    std::array<double, TYPE21_MAX_DIMENSION + 3> fc{}, wc{}, w{};
    const double delta = epoch - tl;
    double tp = delta;
    const std::size_t mq2 = kqmax1 >= 2 ? kqmax1 - 2 : 0;
    for (std::size_t j = 1; j <= mq2; ++j) {
        fc[j + 1] = tp / g[j - 1];
        wc[j] = delta / g[j - 1];
        tp = delta + g[j - 1];
    }
    for (std::size_t j = 1; j <= kqmax1; ++j) w[j] = 1.0 / double(j);

    std::size_t ks = kqmax1 - 1, jx = 0;
    for (; ks >= 2; --ks) {
        ++jx;
        for (std::size_t j = 1; j <= jx; ++j) w[j + ks] = fc[j + 1] * w[j + ks - 1] - wc[j] * w[j + ks];
    }
    StateVector state;
    // ks is now 1 (0 when KQMAX1 = 1, where every order is 0).
    for (int i = 0; i < 3; ++i) {
        double sum = 0.0;
        for (std::size_t j = kq[i]; j >= 1; --j) sum += dt[i * n + j - 1] * w[j + ks];
        state.position[i] = reference[2 * i] + delta * (reference[2 * i + 1] + delta * sum);
    }
    if (ks >= 1) {
        for (std::size_t j = 1; j <= jx; ++j) w[j + ks] = fc[j + 1] * w[j + ks - 1] - wc[j] * w[j + ks];
        --ks;
    }
    for (int i = 0; i < 3; ++i) {
        double sum = 0.0;
        for (std::size_t j = kq[i]; j >= 1; --j) sum += dt[i * n + j - 1] * w[j + ks];
        state.velocity[i] = reference[2 * i + 1] + delta * sum;
    }
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(state.position[i]) || !std::isfinite(state.velocity[i])) {
            return fail(R::NonFiniteDifferenceLine);
        }
    }
    return state;
}

std::expected<Type21Segment, SpkError> Type21Segment::load(SpkKernel& kernel, const SegmentLoc& segment) {
    auto control = kernel.read_words(std::int64_t{segment.end_address} - 1, 2);
    if (!control) return std::unexpected(std::move(control.error()));
    const double dimension = (*control)[0], count = (*control)[1];
    if (!is_whole(count, 1.0, 4294967295.0)) return fail(R::RecordCount);
    if (!is_whole(dimension, 1.0, TYPE21_MAX_DIMENSION)) return fail(R::DifferenceLineSize);
    Type21Segment loaded;
    loaded.count_ = static_cast<std::uint32_t>(count);
    loaded.dimension_ = static_cast<std::uint32_t>(dimension);
    const std::uint64_t record_words = type21_record_words(loaded.dimension_);
    const std::uint64_t words =
        (record_words + 1) * loaded.count_ + epoch_directory_words(loaded.count_) + 2;
    if (std::int64_t{segment.end_address} - segment.start_address + 1 != static_cast<std::int64_t>(words)) {
        return fail(R::DirectorySizeMismatch);
    }
    auto table = EpochTable::load(
        kernel, std::int64_t{segment.start_address} + static_cast<std::int64_t>(record_words * loaded.count_),
        loaded.count_);
    if (!table) return std::unexpected(std::move(table.error()));
    loaded.epochs_ = std::move(*table);
    loaded.record_.resize(record_words);
    return loaded;
}

std::expected<StateVector, SpkError> Type21Segment::evaluate(SpkKernel& kernel, const SegmentLoc& segment,
                                                             double epoch) {
    // The record whose final epoch is the first not before the requested one.
    auto index = epochs_.first_not_before(kernel, epoch);
    if (!index) return std::unexpected(std::move(index.error()));
    if (*index >= count_) return fail(R::EpochAfterLastRecord);
    if (*index != loaded_) {
        loaded_ = NO_RECORD;
        auto read = kernel.read_words_into(
            std::int64_t{segment.start_address} + std::int64_t{*index} * std::int64_t(record_.size()), record_);
        if (!read) return std::unexpected(std::move(read.error()));
        loaded_ = *index;
    }
    return evaluate_loaded_type21_record(record_, dimension_, epoch);
}

}  // namespace orvane
