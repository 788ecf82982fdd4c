#include "spk/coverage.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/text/text_forms.hpp"

namespace orvane {
namespace {

struct TargetInterval {
    std::int32_t target;
    double start;
    double end;
};

// IEEE total order (-0 before +0); the bounds are finite here.
std::int64_t total_order_key(double value) {
    std::int64_t bits = std::bit_cast<std::int64_t>(value);
    return bits < 0 ? bits ^ std::numeric_limits<std::int64_t>::max() : bits;
}

}  // namespace

std::expected<CoverageInterval, OrvaneError> common_contiguous_coverage(std::span<const SpkSegment> segments) {
    if (segments.empty()) return std::unexpected(OrvaneError::backend("SPK kernel has no segments"));

    std::vector<TargetInterval> intervals;
    intervals.reserve(segments.size());
    for (const SpkSegment& segment : segments) {
        intervals.push_back({segment.target, segment.start_epoch, segment.end_epoch});
    }
    // Grouped by target, each group by start; stable, so equal starts keep file order.
    std::stable_sort(intervals.begin(), intervals.end(), [](const TargetInterval& a, const TargetInterval& b) {
        if (a.target != b.target) return a.target < b.target;
        return total_order_key(a.start) < total_order_key(b.start);
    });

    double common_start = -std::numeric_limits<double>::infinity();
    double common_end = std::numeric_limits<double>::infinity();
    std::size_t i = 0;
    while (i < intervals.size()) {
        const std::int32_t target = intervals[i].target;
        double lo = intervals[i].start;
        double hi = intervals[i].end;
        for (++i; i < intervals.size() && intervals[i].target == target; ++i) {
            if (hi < intervals[i].start) {
                return std::unexpected(OrvaneError::backend("SPK target " + integer_text(target) +
                                                            " has discontinuous segment coverage"));
            }
            hi = std::max(hi, intervals[i].end);
        }
        common_start = std::max(common_start, lo);
        common_end = std::min(common_end, hi);
    }
    if (common_start > common_end) {
        return std::unexpected(OrvaneError::backend("SPK targets have no common coverage interval"));
    }
    return CoverageInterval{common_start, common_end};
}

}  // namespace orvane
