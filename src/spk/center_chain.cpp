#include "spk/center_chain.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace orvane {
namespace {

constexpr std::uint32_t NOT_IN_PASS = std::numeric_limits<std::uint32_t>::max();
// Batches up to this many epochs walk with the thread's reusable tables.
constexpr std::size_t REUSED_TABLE_EPOCHS = 4096;

// A segment that may continue a body's chain: which kernel, which segment.
struct Candidate {
    std::size_t kernel = 0;
    const SpkSegment* segment = nullptr;
};

// Epochs of one pass that selected the same segment.
struct Group {
    Candidate selected;
    std::size_t count = 0;  // epochs in the group
    std::size_t first = 0;  // where its epoch indices start in the pass's member list
};

// The segments of one body in the order the rule consults them (kernels in
// order, later segments first), up to the first kernel whose segment list
// cannot be decoded, whose error then stands for every epoch they miss.
struct BodyCandidates {
    std::int32_t body = 0;
    std::vector<Candidate> list;
    std::optional<SpkError> error;

    std::expected<Candidate, SpkError> select(double epoch) const {
        for (const Candidate& candidate : list) {
            if (candidate.segment->start_epoch <= epoch && epoch <= candidate.segment->end_epoch) return candidate;
        }
        if (error) return std::unexpected(*error);
        return std::unexpected(SpkError::missing_chain_segment(body, epoch));
    }
};

// The candidates of the bodies walked so far in one set of kernels, kept
// from one walk to the next while the kernels are the same ones (a decoded
// segment list never changes); a list that met a decoding error is gathered
// again by the next walk.
class Candidates {
public:
    void use(const std::vector<SpkKernel>& kernels) {
        bool same = identities_.size() == kernels.size();
        for (std::size_t k = 0; same && k < kernels.size(); ++k) same = identities_[k] == kernels[k].identity();
        if (!same) {
            identities_.clear();
            for (const SpkKernel& kernel : kernels) identities_.push_back(kernel.identity());
            bodies_.clear();
            errors_ = false;
        }
        if (errors_) std::erase_if(bodies_, [](const BodyCandidates& entry) { return entry.error.has_value(); });
        errors_ = false;
    }

    // The place of the body's candidates, gathered when first asked for.
    std::size_t of(std::vector<SpkKernel>& kernels, std::int32_t body) {
        if (last_ < bodies_.size() && bodies_[last_].body == body) return last_;
        for (std::size_t i = 0; i < bodies_.size(); ++i) {
            if (bodies_[i].body == body) return last_ = i;
        }
        BodyCandidates& entry = bodies_.emplace_back();
        entry.body = body;
        for (std::size_t k = 0; k < kernels.size(); ++k) {
            auto segments = kernels[k].segment_list();
            if (!segments) {
                entry.error = std::move(segments.error());
                errors_ = true;
                break;
            }
            for (auto it = segments->rbegin(); it != segments->rend(); ++it) {
                if (it->target == body) entry.list.push_back(Candidate{k, &*it});
            }
        }
        return last_ = bodies_.size() - 1;
    }

    const BodyCandidates& at(std::size_t place) const { return bodies_[place]; }

private:
    std::vector<std::uint64_t> identities_;
    std::vector<BodyCandidates> bodies_;
    bool errors_ = false;    // some list met a decoding error
    std::size_t last_ = 0;   // the place last asked for (a chain asks body by body)
};

// The earliest and latest of some epochs, and whether all are finite.
struct EpochSpan {
    double earliest = 0.0, latest = 0.0;
    bool finite = true;
};

// Kept apart from the walk, whose registers are taken, so that the two
// bounds stay in registers.
[[gnu::noinline]] EpochSpan span_of(std::span<const double> epochs) {
    double earliest = epochs[0], latest = epochs[0];
    // |epoch| < inf fails for infinities and NaN; the comparisons keep NaN out of the span.
    bool finite = true;
    for (const double epoch : epochs) {
        finite &= std::fabs(epoch) < std::numeric_limits<double>::infinity();
        earliest = epoch < earliest ? epoch : earliest;
        latest = epoch > latest ? epoch : latest;
    }
    return EpochSpan{earliest, latest, finite};
}

// The working tables of one walk.
class ChainWalk {
public:
    std::expected<void, SpkError> run(std::vector<SpkKernel>& kernels, std::int32_t target,
                                      std::span<const double> epochs, std::span<StateVector> states,
                                      std::span<Vector3> accelerations, Evaluated evaluated);

private:
    // One epoch: link by link without the tables of a batch, the same
    // additions in the same order, the same errors.
    std::expected<void, SpkError> run_one(std::vector<SpkKernel>& kernels, std::int32_t target, double epoch,
                                          StateVector& state, Vector3* acceleration, Evaluated evaluated);

    std::vector<std::int32_t> body_;
    std::vector<std::uint8_t> hops_;
    std::vector<std::uint32_t> group_of_;
    std::vector<std::size_t> members_;  // epoch indices, grouped
    std::vector<double> group_epochs_;
    std::vector<StateVector> group_states_;
    std::vector<Vector3> group_accelerations_;
    std::vector<Group> groups_;
    Candidates candidates_;
};

std::expected<void, SpkError> ChainWalk::run(std::vector<SpkKernel>& kernels, std::int32_t target,
                                             std::span<const double> epochs, std::span<StateVector> states,
                                             std::span<Vector3> accelerations, Evaluated evaluated) {
    const std::size_t n = epochs.size();
    const bool with_accelerations = !accelerations.empty();
    if (n == 1) {
        return run_one(kernels, target, epochs[0], states[0], with_accelerations ? &accelerations[0] : nullptr,
                       evaluated);
    }
    // The sums start at zero: filled with zeros before a pass adds to them,
    // unless the first pass writes them itself.
    bool started = false;
    auto start = [&] {
        if (started) return;
        for (StateVector& state : states.first(n)) state = StateVector{};
        if (with_accelerations) {
            for (Vector3& acceleration : accelerations.first(n)) acceleration = Vector3{};
        }
        started = true;
    };
    if (target == SOLAR_SYSTEM_BARYCENTER || n == 0) {
        start();
        return {};
    }
    body_.assign(n, target);
    hops_.assign(n, 0);
    group_of_.resize(n);
    members_.resize(n);
    candidates_.use(kernels);
    std::size_t current = 0;  // the candidates of the body last walked
    bool have_current = false;
    // The first pass evaluates each target's own link, which the chains of
    // other bodies do not share: its results are not kept for a repeat.
    bool first_pass = true;
    // While every epoch is at one body (each pass so far one group of them
    // all), a segment of the body that the rule consults first and that
    // covers the epochs' span is every epoch's selection: the pass takes it
    // without selecting epoch by epoch.
    bool one_body = true;
    const EpochSpan span = span_of(epochs);
    const bool finite = span.finite;
    const double earliest = span.earliest, latest = span.latest;

    for (;; first_pass = false) {
        if (one_body && finite) {
            const std::int32_t body = body_[0];
            if (body == SOLAR_SYSTEM_BARYCENTER) return {};
            if (hops_[0] + 1 > MAX_CHAIN_SEGMENTS) return std::unexpected(SpkError::center_chain_cycle(target));
            if (!have_current || candidates_.at(current).body != body) {
                current = candidates_.of(kernels, body);
                have_current = true;
            }
            const std::vector<Candidate>& list = candidates_.at(current).list;
            if (!list.empty() && list.front().segment->start_epoch <= earliest &&
                latest <= list.front().segment->end_epoch) {
                for (std::uint8_t& hops : hops_) ++hops;
                const SegmentLoc segment = segment_loc(*list.front().segment);
                if (!started) {
                    // The first link straight into the sums, then 0 + each, as the sums from zero would be.
                    auto done = kernels[list.front().kernel].evaluate_into(
                        segment, epochs, states.first(n),
                        with_accelerations ? accelerations.first(n) : std::span<Vector3>(), !first_pass, evaluated);
                    if (!done) return std::unexpected(std::move(done.error()));
                    for (std::size_t i = 0; i < n; ++i) states[i] = add_states(StateVector{}, states[i]);
                    if (with_accelerations) {
                        for (std::size_t i = 0; i < n; ++i) {
                            for (int k = 0; k < 3; ++k) accelerations[i][k] = 0.0 + accelerations[i][k];
                        }
                    }
                    started = true;
                    std::fill(body_.begin(), body_.end(), segment.center);
                    continue;
                }
                group_states_.resize(n);
                group_accelerations_.resize(with_accelerations ? n : 0);
                auto done = kernels[list.front().kernel].evaluate_into(segment, epochs, group_states_,
                                                                        group_accelerations_, !first_pass, evaluated);
                if (!done) return std::unexpected(std::move(done.error()));
                for (std::size_t i = 0; i < n; ++i) states[i] = add_states(states[i], group_states_[i]);
                if (with_accelerations) {
                    for (std::size_t i = 0; i < n; ++i) {
                        for (int k = 0; k < 3; ++k) accelerations[i][k] += group_accelerations_[i][k];
                    }
                }
                std::fill(body_.begin(), body_.end(), segment.center);
                continue;
            }
        }
        start();
        groups_.clear();
        for (std::size_t i = 0; i < n; ++i) {
            group_of_[i] = NOT_IN_PASS;
            if (body_[i] == SOLAR_SYSTEM_BARYCENTER) continue;
            if (hops_[i] < std::numeric_limits<std::uint8_t>::max()) ++hops_[i];
            if (hops_[i] > MAX_CHAIN_SEGMENTS) return std::unexpected(SpkError::center_chain_cycle(target));
            if (!have_current || candidates_.at(current).body != body_[i]) {
                current = candidates_.of(kernels, body_[i]);
                have_current = true;
            }
            auto selected = candidates_.at(current).select(epochs[i]);
            if (!selected) return std::unexpected(std::move(selected.error()));
            // Neighbouring epochs mostly select the same segment, and a pass
            // selects few segments.
            std::size_t g = groups_.size();
            if (g > 0 && groups_.back().selected.segment == selected->segment) {
                g = groups_.size() - 1;
            } else {
                for (std::size_t k = 0; k < groups_.size(); ++k) {
                    if (groups_[k].selected.segment == selected->segment) g = k;
                }
                if (g == groups_.size()) groups_.push_back(Group{*selected, 0, 0});
            }
            group_of_[i] = static_cast<std::uint32_t>(g);
            ++groups_[g].count;
        }
        if (groups_.empty()) return {};
        one_body = groups_.size() == 1 && groups_.front().count == n;

        // Members of each group in increasing epoch index.
        std::size_t first = 0;
        for (Group& group : groups_) {
            group.first = first;
            first += group.count;
            group.count = 0;
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (group_of_[i] == NOT_IN_PASS) continue;
            Group& group = groups_[group_of_[i]];
            members_[group.first + group.count++] = i;
        }
        for (const Group& group : groups_) {
            std::span<const std::size_t> indices(members_.data() + group.first, group.count);
            const SegmentLoc segment = segment_loc(*group.selected.segment);
            // A group of every epoch (the usual pass) takes them in place.
            std::span<const double> group_epochs = epochs;
            if (group.count != n) {
                group_epochs_.resize(group.count);
                for (std::size_t m = 0; m < group.count; ++m) group_epochs_[m] = epochs[indices[m]];
                group_epochs = group_epochs_;
            }
            group_states_.resize(group.count);
            group_accelerations_.resize(with_accelerations ? group.count : 0);
            auto done = kernels[group.selected.kernel].evaluate_into(segment, group_epochs, group_states_,
                                                                    group_accelerations_, !first_pass, evaluated);
            if (!done) return std::unexpected(std::move(done.error()));
            for (std::size_t m = 0; m < group.count; ++m) {
                const std::size_t i = indices[m];
                states[i] = add_states(states[i], group_states_[m]);
                if (with_accelerations) {
                    for (int k = 0; k < 3; ++k) accelerations[i][k] += group_accelerations_[m][k];
                }
                body_[i] = segment.center;
            }
        }
    }
}

std::expected<void, SpkError> ChainWalk::run_one(std::vector<SpkKernel>& kernels, std::int32_t target, double epoch,
                                                 StateVector& state, Vector3* acceleration, Evaluated evaluated) {
    state = StateVector{};
    if (acceleration) *acceleration = Vector3{};
    if (target == SOLAR_SYSTEM_BARYCENTER) return {};
    candidates_.use(kernels);
    std::int32_t body = target;
    for (unsigned hops = 1; body != SOLAR_SYSTEM_BARYCENTER; ++hops) {
        if (hops > MAX_CHAIN_SEGMENTS) return std::unexpected(SpkError::center_chain_cycle(target));
        auto selected = candidates_.at(candidates_.of(kernels, body)).select(epoch);
        if (!selected) return std::unexpected(std::move(selected.error()));
        const SegmentLoc segment = segment_loc(*selected->segment);
        StateVector link;
        Vector3 link_acceleration{};
        auto done = kernels[selected->kernel].evaluate_one_into(segment, epoch, link,
                                                                acceleration ? &link_acceleration : nullptr, true,
                                                                evaluated);
        if (!done) return std::unexpected(std::move(done.error()));
        state = add_states(state, link);
        if (acceleration) {
            for (int k = 0; k < 3; ++k) (*acceleration)[k] += link_acceleration[k];
        }
        body = segment.center;
    }
    return {};
}

std::expected<void, SpkError> walk_chain(std::vector<SpkKernel>& kernels, std::int32_t target,
                                         std::span<const double> epochs, std::span<StateVector> states,
                                         std::span<Vector3> accelerations, Evaluated evaluated) {
    if (epochs.size() <= REUSED_TABLE_EPOCHS) {
        thread_local ChainWalk reused;
        return reused.run(kernels, target, epochs, states, accelerations, evaluated);
    }
    ChainWalk walk;
    return walk.run(kernels, target, epochs, states, accelerations, evaluated);
}

}  // namespace

std::expected<void, SpkError> barycentric_states_into(std::vector<SpkKernel>& kernels, std::int32_t target,
                                                      std::span<const double> epochs, std::span<StateVector> states,
                                                      std::span<Vector3> accelerations) {
    return walk_chain(kernels, target, epochs, states, accelerations, Evaluated::States);
}

std::expected<void, SpkError> barycentric_positions_into(std::vector<SpkKernel>& kernels, std::int32_t target,
                                                         std::span<const double> epochs,
                                                         std::span<StateVector> states) {
    return walk_chain(kernels, target, epochs, states, {}, Evaluated::Positions);
}

}  // namespace orvane
