#pragma once
#include <expected>
#include <span>

#include "core/errors.hpp"
#include "spk/spk_segment.hpp"

namespace orvane {

// An inclusive span of TDB seconds past J2000.
struct CoverageInterval {
    double start_epoch = 0.0;
    double end_epoch = 0.0;
};

// The span every target of the segment list covers without a gap: per target
// the union of its segments must be one interval (touching counts), and the
// result is the intersection of those intervals. Failures are Backend errors.
std::expected<CoverageInterval, OrvaneError> common_contiguous_coverage(std::span<const SpkSegment> segments);

}  // namespace orvane
