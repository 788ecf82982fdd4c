#include "spk/epoch_table.hpp"

#include <algorithm>

#include "spk/spk_kernel.hpp"

namespace orvane {

std::expected<EpochTable, SpkError> EpochTable::load(SpkKernel& kernel, std::int64_t first_epoch_word,
                                                     std::uint32_t count) {
    EpochTable table;
    table.first_epoch_word_ = first_epoch_word;
    table.count_ = count;
    auto directory = kernel.read_words(first_epoch_word + count, epoch_directory_words(count));
    if (!directory) return std::unexpected(std::move(directory.error()));
    table.directory_ = std::move(*directory);
    table.group_epochs_.reserve(EPOCH_GROUP_SIZE);
    return table;
}

std::expected<std::uint32_t, SpkError> EpochTable::first_after(SpkKernel& kernel, double epoch) {
    return search(kernel, epoch, true);
}

std::expected<std::uint32_t, SpkError> EpochTable::first_not_before(SpkKernel& kernel, double epoch) {
    return search(kernel, epoch, false);
}

std::expected<void, SpkError> EpochTable::pair(SpkKernel& kernel, std::uint32_t index, std::span<double, 2> out) {
    // Mostly both lie in the group the last search loaded.
    const std::uint64_t first = std::uint64_t{group_} * EPOCH_GROUP_SIZE;
    if (group_ != NO_GROUP && index >= first && index + 1 < first + group_epochs_.size()) {
        out[0] = group_epochs_[index - first];
        out[1] = group_epochs_[index - first + 1];
        return {};
    }
    return kernel.read_words_into(first_epoch_word_ + index, out);
}

std::expected<std::uint32_t, SpkError> EpochTable::search(SpkKernel& kernel, double epoch, bool strictly_after) {
    // Directory entry g is epoch 100 (g + 1) - 1 (zero-based): the epochs of
    // the groups before the first entry past `epoch` are all before it.
    auto in = [&](const std::vector<double>& sorted) {
        auto found = strictly_after ? std::upper_bound(sorted.begin(), sorted.end(), epoch)
                                    : std::lower_bound(sorted.begin(), sorted.end(), epoch);
        return static_cast<std::uint32_t>(found - sorted.begin());
    };
    const std::uint32_t group = in(directory_);
    if (group != group_) {
        const std::uint32_t first = group * EPOCH_GROUP_SIZE;
        const std::uint32_t size = std::min(EPOCH_GROUP_SIZE, count_ - first);
        group_ = NO_GROUP;
        group_epochs_.resize(size);
        auto read = kernel.read_words_into(first_epoch_word_ + first, group_epochs_);
        if (!read) return std::unexpected(std::move(read.error()));
        group_ = group;
    }
    return group * EPOCH_GROUP_SIZE + in(group_epochs_);
}

}  // namespace orvane
