#pragma once
#include <cmath>
#include <cstdint>
#include <expected>
#include <limits>
#include <span>
#include <vector>

#include "spk/spk_error.hpp"

// Segments of types 13 and 21 list one epoch per state or record, in
// increasing order, followed by a directory holding every 100th of them
// (epochs 100, 200, ...), so that a search reads the directory and one group
// of at most 100 epochs rather than the whole list.
namespace orvane {

class SpkKernel;

inline constexpr std::uint32_t EPOCH_GROUP_SIZE = 100;

// The segments' counts, sizes and orders are stored as double words: one is
// valid when it is a finite whole number within [low, high].
inline bool is_whole(double value, double low, double high) {
    return std::isfinite(value) && std::floor(value) == value && value >= low && value <= high;
}

// Words of the directory that follows `count` epochs.
inline std::uint32_t epoch_directory_words(std::uint32_t count) { return (count - 1) / EPOCH_GROUP_SIZE; }

class EpochTable {
public:
    EpochTable() = default;
    // `first_epoch_word`: one-based word address of the first epoch; the
    // directory follows the last one.
    static std::expected<EpochTable, SpkError> load(SpkKernel& kernel, std::int64_t first_epoch_word,
                                                    std::uint32_t count);

    // Index of the first epoch after `epoch` (strictly greater), `count` if none.
    std::expected<std::uint32_t, SpkError> first_after(SpkKernel& kernel, double epoch);
    // Index of the first epoch not before `epoch` (greater or equal), `count` if none.
    std::expected<std::uint32_t, SpkError> first_not_before(SpkKernel& kernel, double epoch);

    // Epochs `index` and `index + 1` (both below `count`) into `out`.
    std::expected<void, SpkError> pair(SpkKernel& kernel, std::uint32_t index, std::span<double, 2> out);

private:
    std::expected<std::uint32_t, SpkError> search(SpkKernel& kernel, double epoch, bool strictly_after);

    static constexpr std::uint32_t NO_GROUP = std::numeric_limits<std::uint32_t>::max();
    std::int64_t first_epoch_word_ = 1;
    std::uint32_t count_ = 0;
    std::vector<double> directory_;
    std::uint32_t group_ = NO_GROUP;  // the group whose epochs are loaded
    std::vector<double> group_epochs_;
};

}  // namespace orvane
