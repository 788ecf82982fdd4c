#include "spk/chebyshev_segment.hpp"

#include <algorithm>
#include <numeric>

#include "spk/spk_kernel.hpp"
#include "spk/type3.hpp"

namespace orvane {

std::expected<ChebyshevSegment, SpkError> ChebyshevSegment::load(SpkKernel& kernel, const SegmentLoc& segment) {
    const std::uint32_t sets = segment.data_type == SPK_TYPE_3 ? TYPE3_COEFFICIENT_SETS : 3;
    auto words = kernel.read_words(std::int64_t{segment.end_address} - 3, TYPE2_DIRECTORY_WORDS);
    if (!words) return std::unexpected(std::move(words.error()));
    auto directory = parse_type2_directory(std::span<const double, 4>(words->data(), 4), segment.start_address,
                                           segment.end_address, sets);
    if (!directory) return std::unexpected(std::move(directory.error()));
    ChebyshevSegment loaded;
    loaded.directory_ = *directory;
    loaded.sets_ = sets;
    loaded.coefficients_ = (directory->rsize - 2) / sets;
    return loaded;
}

std::expected<void, SpkError> ChebyshevSegment::read_records(SpkKernel& kernel, const SegmentLoc& segment,
                                                             std::uint32_t first, std::uint32_t count) {
    held_ = 0;
    auto address = type2_record_address(directory_, segment.start_address, first);
    if (!address) return std::unexpected(std::move(address.error()));
    const std::size_t rsize = directory_.rsize;
    words_.resize(count * rsize);
    auto read = kernel.read_words_into(*address, std::span(words_.data(), count * rsize));
    if (!read) {
        // A file cut short after opening may still hold the one record asked for.
        if (count > 1) return read_records(kernel, segment, first, 1);
        return read;
    }
    faults_.resize(count);
    const std::size_t used = 2 + std::size_t{sets_} * coefficients_;
    for (std::uint32_t r = 0; r < count; ++r) {
        faults_[r] = chebyshev_record_fault(std::span(words_.data() + r * rsize, used));
    }
    first_ = first;
    held_ = count;
    return {};
}

const double* ChebyshevSegment::record_words(std::uint32_t record) const {
    return words_.data() + std::size_t{record - first_} * directory_.rsize;
}

std::expected<double, SpkError> ChebyshevSegment::argument(std::uint32_t record, double epoch) const {
    return chebyshev_argument(record_words(record), faults_[record - first_], epoch);
}

std::expected<StateVector, SpkError> ChebyshevSegment::state_at(std::uint32_t record, double epoch,
                                                                bool positions) const {
    auto x = argument(record, epoch);
    if (!x) return std::unexpected(std::move(x.error()));
    const double* words = record_words(record);
    if (sets_ != 3) return type3_state(words, coefficients_, *x);
    return positions ? type2_position(words, coefficients_, *x) : type2_state(words, coefficients_, *x);
}

bool ChebyshevSegment::repeats_last(std::span<const double> epochs, bool with_accelerations) const {
    if (!last_valid_ || epochs.size() != last_epochs_.size()) return false;
    if (with_accelerations && last_accelerations_.size() != epochs.size()) return false;
    for (std::size_t i = 0; i < epochs.size(); ++i) {
        if (epochs[i] != last_epochs_[i]) return false;
    }
    return true;
}

std::expected<void, SpkError> ChebyshevSegment::evaluate(SpkKernel& kernel, const SegmentLoc& segment,
                                                         std::span<const double> epochs,
                                                         std::span<StateVector> states,
                                                         std::span<Vector3> accelerations, bool kept_for_a_repeat,
                                                         Evaluated evaluated) {
    const std::size_t n = epochs.size();
    const bool with_accelerations = !accelerations.empty();
    if (n == 1) {
        return evaluate_one(kernel, segment, epochs[0], states[0], with_accelerations ? &accelerations[0] : nullptr,
                            kept_for_a_repeat, evaluated == Evaluated::Positions && !with_accelerations);
    }
    if (repeats_last(epochs, with_accelerations)) {
        std::copy(last_states_.begin(), last_states_.end(), states.begin());
        if (with_accelerations) std::copy(last_accelerations_.begin(), last_accelerations_.end(), accelerations.begin());
        return {};
    }
    const bool positions = evaluated == Evaluated::Positions && !with_accelerations;
    if (!kept_for_a_repeat || positions) return evaluate_records(kernel, segment, epochs, states, accelerations, positions);
    last_valid_ = false;
    auto done = evaluate_records(kernel, segment, epochs, states, accelerations, false);
    if (!done) return done;
    last_epochs_.assign(epochs.begin(), epochs.end());
    last_states_.assign(states.begin(), states.begin() + static_cast<std::ptrdiff_t>(n));
    if (with_accelerations) {
        last_accelerations_.assign(accelerations.begin(), accelerations.begin() + static_cast<std::ptrdiff_t>(n));
    } else {
        last_accelerations_.clear();
    }
    last_valid_ = true;
    return {};
}

std::expected<void, SpkError> ChebyshevSegment::evaluate_one(SpkKernel& kernel, const SegmentLoc& segment,
                                                             double epoch, StateVector& state, Vector3* acceleration,
                                                             bool kept_for_a_repeat, bool positions) {
    if (last_valid_ && last_epochs_.size() == 1 && last_epochs_[0] == epoch &&
        (!acceleration || last_accelerations_.size() == 1)) {
        state = last_states_[0];
        if (acceleration) *acceleration = last_accelerations_[0];
        return {};
    }
    const bool kept = kept_for_a_repeat && !positions;
    if (kept) last_valid_ = false;
    auto index = type2_record_index(directory_, epoch);
    if (!index) return std::unexpected(std::move(index.error()));
    if (!holds(*index)) {
        if (auto read = read_records(kernel, segment, *index, 1); !read) return read;
    }
    auto x = argument(*index, epoch);
    if (!x) return std::unexpected(std::move(x.error()));
    const double* words = record_words(*index);
    if (acceleration && sets_ == 3) {
        state = type2_state_acceleration(words, coefficients_, *x, acceleration->data());
    } else if (acceleration) {
        state = type3_state(words, coefficients_, *x);
        type3_acceleration(words, coefficients_, *x, acceleration->data());
    } else if (sets_ != 3) {
        state = type3_state(words, coefficients_, *x);
    } else {
        state = positions ? type2_position(words, coefficients_, *x) : type2_state(words, coefficients_, *x);
    }
    if (!kept) return {};
    last_epochs_.assign(1, epoch);
    last_states_.assign(1, state);
    if (acceleration) {
        last_accelerations_.assign(1, *acceleration);
    } else {
        last_accelerations_.clear();
    }
    last_valid_ = true;
    return {};
}

std::expected<void, SpkError> ChebyshevSegment::evaluate_records(SpkKernel& kernel, const SegmentLoc& segment,
                                                                 std::span<const double> epochs,
                                                                 std::span<StateVector> states,
                                                                 std::span<Vector3> accelerations,
                                                                 bool positions) {
    const std::size_t n = epochs.size();
    const bool with_accelerations = !accelerations.empty();
    records_.resize(n);
    bool in_record_order = true;
    for (std::size_t i = 0; i < n; ++i) {
        auto index = type2_record_index(directory_, epochs[i]);
        if (!index) return std::unexpected(std::move(index.error()));
        records_[i] = *index;
        if (i > 0 && records_[i] < records_[i - 1]) in_record_order = false;
    }
    if (!in_record_order) {
        order_.resize(n);
        std::iota(order_.begin(), order_.end(), std::uint32_t{0});
        std::stable_sort(order_.begin(), order_.end(),
                         [this](std::uint32_t a, std::uint32_t b) { return records_[a] < records_[b]; });
    }
    auto at_step = [&](std::size_t step) -> std::size_t { return in_record_order ? step : order_[step]; };
    const std::uint32_t per_block =
        std::max<std::uint32_t>(1, static_cast<std::uint32_t>(CHEBYSHEV_BLOCK_WORDS / directory_.rsize));

    auto hold = [&](std::size_t step) -> std::expected<void, SpkError> {
        const std::uint32_t record = records_[at_step(step)];
        if (holds(record)) return {};
        // As far ahead as this call's later epochs need, within one block.
        std::uint32_t last = record;
        for (std::size_t later = step + 1; later < n; ++later) {
            const std::uint32_t next = records_[at_step(later)];
            if (next - record >= per_block) break;
            last = next;
        }
        return read_records(kernel, segment, record, last - record + 1);
    };
    for (std::size_t step = 0; step < n;) {
        if (auto held = hold(step); !held) return held;
        const std::size_t i = at_step(step);
        const std::size_t j = step + 1 < n ? at_step(step + 1) : i;
        if (with_accelerations && sets_ == 3 && j != i && holds(records_[j])) {
            auto x_i = argument(records_[i], epochs[i]);
            if (!x_i) return std::unexpected(std::move(x_i.error()));
            auto x_j = argument(records_[j], epochs[j]);
            if (!x_j) return std::unexpected(std::move(x_j.error()));
            type2_state_acceleration_pair(record_words(records_[i]), record_words(records_[j]), coefficients_, *x_i,
                                          *x_j, states[i], states[j], accelerations[i].data(),
                                          accelerations[j].data());
            step += 2;
            continue;
        }
        if (with_accelerations) {
            auto x = argument(records_[i], epochs[i]);
            if (!x) return std::unexpected(std::move(x.error()));
            const double* words = record_words(records_[i]);
            if (sets_ == 3) {
                states[i] = type2_state_acceleration(words, coefficients_, *x, accelerations[i].data());
            } else {
                states[i] = type3_state(words, coefficients_, *x);
                type3_acceleration(words, coefficients_, *x, accelerations[i].data());
            }
            ++step;
            continue;
        }
        if (sets_ == 3 && j != i && holds(records_[j])) {
            // Two Type 2 epochs at once, the second's record already held.
            auto x_i = argument(records_[i], epochs[i]);
            if (!x_i) return std::unexpected(std::move(x_i.error()));
            auto x_j = argument(records_[j], epochs[j]);
            if (!x_j) return std::unexpected(std::move(x_j.error()));
            if (positions) {
                type2_position_pair(record_words(records_[i]), record_words(records_[j]), coefficients_, *x_i,
                                    *x_j, states[i], states[j]);
            } else {
                type2_state_pair(record_words(records_[i]), record_words(records_[j]), coefficients_, *x_i, *x_j,
                                 states[i], states[j]);
            }
            step += 2;
            continue;
        }
        auto state = state_at(records_[i], epochs[i], positions);
        if (!state) return std::unexpected(std::move(state.error()));
        states[i] = *state;
        ++step;
    }
    return {};
}

}  // namespace orvane
