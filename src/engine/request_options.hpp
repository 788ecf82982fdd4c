#pragma once
#include <cstdint>
#include <expected>

#include "core/errors.hpp"
#include "core/position_options.hpp"

namespace orvane {

// Checks the combination of switches and expands `apparent` into the five
// corrections (and the true ecliptic for ecliptic requests).
std::expected<PositionOptions, OrvaneError> resolve_position_options(const PositionOptions& options);

// NAIF code an origin measures from: barycentre 0, Sun 10, Earth 399.
std::int32_t origin_code(OriginKind origin);

}  // namespace orvane
