#include "spk/center_chain.hpp"

#include <limits>
#include <unordered_map>

namespace orvane {
namespace {

// A selected segment: which kernel, and where its data lie in that kernel.
struct SegmentKey {
    std::size_t kernel = 0;
    std::int32_t start_address = 0;
    std::int32_t end_address = 0;
    bool operator==(const SegmentKey&) const = default;
};

struct SegmentKeyHash {
    std::size_t operator()(const SegmentKey& key) const noexcept {
        std::size_t within = SegmentAddressKeyHash{}({key.start_address, key.end_address});
        return within ^ (key.kernel * 0xC2B2AE3D27D4EB4FULL);
    }
};

// Epochs of one pass that selected the same segment.
struct Group {
    SegmentKey key;
    SegmentLoc segment;
    std::size_t count = 0;  // epochs in the group
    std::size_t first = 0;  // where its epoch indices start in the pass's member list
};

constexpr std::uint32_t NOT_IN_PASS = std::numeric_limits<std::uint32_t>::max();

// The segment that continues the chain of `body` at `epoch`, or nothing.
struct Selection {
    std::size_t kernel;
    const SpkSegment* segment;
};

std::expected<Selection, SpkError> select_segment(std::vector<SpkKernel>& kernels, std::int32_t body, double epoch) {
    for (std::size_t k = 0; k < kernels.size(); ++k) {
        auto list = kernels[k].segment_list();
        if (!list) return std::unexpected(std::move(list.error()));
        for (auto it = list->rbegin(); it != list->rend(); ++it) {
            if (it->target == body && it->start_epoch <= epoch && epoch <= it->end_epoch) {
                return Selection{k, &*it};
            }
        }
    }
    return std::unexpected(SpkError::missing_chain_segment(body, epoch));
}

}  // namespace

std::expected<std::vector<StateVector>, SpkError> barycentric_states_across_kernels(std::vector<SpkKernel>& kernels,
                                                                                    std::int32_t target,
                                                                                    std::span<const double> epochs) {
    const std::size_t n = epochs.size();
    std::vector<StateVector> states(n);
    if (target == SOLAR_SYSTEM_BARYCENTER || n == 0) return states;

    std::vector<std::int32_t> body(n, target);
    std::vector<std::uint8_t> hops(n, 0);
    std::vector<std::uint32_t> group_of(n, NOT_IN_PASS);
    std::vector<std::size_t> members(n);  // epoch indices, grouped
    std::vector<double> group_epochs;
    std::vector<StateVector> group_states;
    std::vector<Group> groups;
    std::unordered_map<SegmentKey, std::uint32_t, SegmentKeyHash> group_index;

    while (true) {
        groups.clear();
        group_index.clear();
        for (std::size_t i = 0; i < n; ++i) {
            group_of[i] = NOT_IN_PASS;
            if (body[i] == SOLAR_SYSTEM_BARYCENTER) continue;
            if (hops[i] < std::numeric_limits<std::uint8_t>::max()) ++hops[i];
            if (hops[i] > MAX_CHAIN_SEGMENTS) return std::unexpected(SpkError::center_chain_cycle(target));

            auto selected = select_segment(kernels, body[i], epochs[i]);
            if (!selected) return std::unexpected(std::move(selected.error()));
            SegmentKey key{selected->kernel, selected->segment->start_address, selected->segment->end_address};
            // Neighbouring epochs mostly select the same segment.
            std::uint32_t g;
            if (!groups.empty() && groups.back().key == key) {
                g = static_cast<std::uint32_t>(groups.size() - 1);
            } else if (auto found = group_index.find(key); found != group_index.end()) {
                g = found->second;
            } else {
                g = static_cast<std::uint32_t>(groups.size());
                groups.push_back(Group{key, segment_loc(*selected->segment), 0, 0});
                group_index.emplace(key, g);
            }
            group_of[i] = g;
            ++groups[g].count;
        }
        if (groups.empty()) return states;

        // Members of each group in increasing epoch index.
        std::size_t first = 0;
        for (Group& group : groups) {
            group.first = first;
            first += group.count;
            group.count = 0;
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (group_of[i] == NOT_IN_PASS) continue;
            Group& group = groups[group_of[i]];
            members[group.first + group.count++] = i;
        }

        for (const Group& group : groups) {
            std::span<const std::size_t> indices(members.data() + group.first, group.count);
            group_epochs.resize(group.count);
            group_states.resize(group.count);
            for (std::size_t m = 0; m < group.count; ++m) group_epochs[m] = epochs[indices[m]];
            auto evaluated = kernels[group.key.kernel].evaluate_into(group.segment, group_epochs, group_states);
            if (!evaluated) return std::unexpected(std::move(evaluated.error()));
            for (std::size_t m = 0; m < group.count; ++m) {
                std::size_t i = indices[m];
                states[i] = add_states(states[i], group_states[m]);
                body[i] = group.segment.center;
            }
        }
    }
}

std::expected<StateVector, SpkError> barycentric_state_across_kernels(std::vector<SpkKernel>& kernels,
                                                                      std::int32_t target, double epoch) {
    // The batch walk for a single epoch, link by link, without its tables:
    // the same segments, the same evaluations, the same sums in the same order.
    StateVector state;
    std::int32_t body = target;
    std::uint8_t hops = 0;
    while (body != SOLAR_SYSTEM_BARYCENTER) {
        if (++hops > MAX_CHAIN_SEGMENTS) return std::unexpected(SpkError::center_chain_cycle(target));
        auto selected = select_segment(kernels, body, epoch);
        if (!selected) return std::unexpected(std::move(selected.error()));
        SegmentLoc segment = segment_loc(*selected->segment);
        auto link = kernels[selected->kernel].evaluate_at(segment, epoch);
        if (!link) return std::unexpected(std::move(link.error()));
        state = add_states(state, *link);
        body = segment.center;
    }
    return state;
}

}  // namespace orvane
