#pragma once
#include <cstdint>
#include <expected>
#include <span>
#include <vector>

#include "engine/engine.hpp"

namespace orvane {

// SpkOrvane::positions_into evaluated through the kernel sequence given (the
// engine's own, or a sibling of it that another thread holds): the same
// checks, the same arithmetic, the same first error.
std::expected<void, OrvaneError> positions_through(const SpkOrvane& engine, std::vector<SpkKernel>& kernels,
                                                   std::span<const std::int32_t> targets, InstantList instants,
                                                   const PositionOptions& options, std::span<double> out);

}  // namespace orvane
