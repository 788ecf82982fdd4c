#include "spk/type13.hpp"

#include <algorithm>
#include <cmath>

#include "spk/spk_kernel.hpp"

namespace orvane {
namespace {

using R = SpkError::Reason;

std::unexpected<SpkError> fail(R reason) {
    return std::unexpected(SpkError::invalid_typed_segment(SPK_TYPE_13, reason));
}

}  // namespace

std::uint32_t type13_window_start(std::span<const double, 2> neighbours, double epoch, std::uint32_t first_after,
                                  std::uint32_t window, std::uint32_t count) {
    // An even window puts half its states on each side of the epoch; an odd
    // one centres on the nearest state, the later one when both are as near.
    std::int64_t first;
    if (window % 2 == 0) {
        first = std::int64_t{first_after} - window / 2;
    } else {
        std::int64_t before = std::int64_t{first_after} - 1, after = first_after;
        std::int64_t nearest;
        if (before < 0) {
            nearest = 0;
        } else if (after >= count) {
            nearest = count - 1;
        } else {
            nearest = epoch - neighbours[0] < neighbours[1] - epoch ? before : after;
        }
        first = nearest - (window - 1) / 2;
    }
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(first, 0, std::int64_t{count} - window));
}

std::expected<StateVector, SpkError> evaluate_type13_window(std::span<const double> epochs,
                                                            std::span<const double> states, double epoch) {
    const std::size_t w = epochs.size();
    for (std::size_t i = 0; i < w; ++i) {
        if (!std::isfinite(epochs[i]) || (i > 0 && !(epochs[i] > epochs[i - 1]))) return fail(R::WindowEpochs);
    }
    for (std::size_t i = 0; i < 6 * w; ++i) {
        if (!std::isfinite(states[i])) return fail(R::WindowEpochs);
    }
    // Neville's scheme over the doubled abscissas z_2i = z_2i+1 = t_i, carrying
    // each partial polynomial's value p and derivative d; a pair of equal
    // abscissas starts from the value and slope given at that epoch.
    StateVector state;
    std::array<double, 2 * TYPE13_MAX_WINDOW> p{}, d{};
    const std::size_t m = 2 * w;
    for (int component = 0; component < 3; ++component) {
        for (std::size_t i = 0; i < w; ++i) {
            p[2 * i] = p[2 * i + 1] = states[6 * i + component];
            d[2 * i] = d[2 * i + 1] = states[6 * i + 3 + component];
        }
        for (std::size_t i = 0; i + 1 < m; ++i) {
            if (i % 2 == 0) {
                p[i] = p[i] + d[i] * (epoch - epochs[i / 2]);
            } else {
                double low = epochs[i / 2], high = epochs[i / 2 + 1], span = high - low;
                double value = ((high - epoch) * p[i] + (epoch - low) * p[i + 1]) / span;
                d[i] = (p[i + 1] - p[i]) / span;
                p[i] = value;
            }
        }
        for (std::size_t j = 2; j < m; ++j) {
            for (std::size_t i = 0; i + j < m; ++i) {
                double low = epochs[i / 2], high = epochs[(i + j) / 2], span = high - low;
                double c1 = high - epoch, c2 = epoch - low;
                double value = (c1 * p[i] + c2 * p[i + 1]) / span;
                d[i] = (c1 * d[i] - p[i] + c2 * d[i + 1] + p[i + 1]) / span;
                p[i] = value;
            }
        }
        state.position[component] = p[0];
        state.velocity[component] = d[0];
    }
    return state;
}

std::expected<Type13Segment, SpkError> Type13Segment::load(SpkKernel& kernel, const SegmentLoc& segment) {
    auto control = kernel.read_words(std::int64_t{segment.end_address} - 1, 2);
    if (!control) return std::unexpected(std::move(control.error()));
    const double window_less_one = (*control)[0], count = (*control)[1];
    if (!is_whole(count, 1.0, 4294967295.0)) return fail(R::StateCount);
    if (!is_whole(window_less_one, 0.0, TYPE13_MAX_WINDOW - 1) || window_less_one + 1.0 > count) {
        return fail(R::WindowSize);
    }
    Type13Segment loaded;
    loaded.count_ = static_cast<std::uint32_t>(count);
    loaded.window_ = static_cast<std::uint32_t>(window_less_one) + 1;
    const std::uint64_t words = 7 * std::uint64_t{loaded.count_} + epoch_directory_words(loaded.count_) + 2;
    if (std::int64_t{segment.end_address} - segment.start_address + 1 != static_cast<std::int64_t>(words)) {
        return fail(R::DirectorySizeMismatch);
    }
    auto table = EpochTable::load(kernel, std::int64_t{segment.start_address} + 6 * std::int64_t{loaded.count_},
                                  loaded.count_);
    if (!table) return std::unexpected(std::move(table.error()));
    loaded.epochs_ = std::move(*table);
    return loaded;
}

std::expected<StateVector, SpkError> Type13Segment::evaluate(SpkKernel& kernel, const SegmentLoc& segment,
                                                             double epoch) {
    auto after = epochs_.first_after(kernel, epoch);
    if (!after) return std::unexpected(std::move(after.error()));
    // The two epochs around the requested one decide an odd window's centre.
    std::array<double, 2> neighbours{};
    if (window_ % 2 == 1 && *after > 0 && *after < count_) {
        auto read = epochs_.pair(kernel, *after - 1, neighbours);
        if (!read) return std::unexpected(std::move(read.error()));
    }
    const std::uint32_t first = type13_window_start(neighbours, epoch, *after, window_, count_);
    if (first != loaded_first_) {
        loaded_first_ = NO_WINDOW;
        const std::int64_t start = segment.start_address;
        auto states = kernel.read_words_into(start + 6 * std::int64_t{first},
                                             std::span(window_states_.data(), 6 * std::size_t{window_}));
        if (!states) return std::unexpected(std::move(states.error()));
        auto epochs = kernel.read_words_into(start + 6 * std::int64_t{count_} + first,
                                             std::span(window_epochs_.data(), window_));
        if (!epochs) return std::unexpected(std::move(epochs.error()));
        loaded_first_ = first;
    }
    return evaluate_type13_window(std::span(window_epochs_.data(), window_),
                                  std::span(window_states_.data(), 6 * std::size_t{window_}), epoch);
}

}  // namespace orvane
