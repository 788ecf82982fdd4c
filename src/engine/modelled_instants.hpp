#pragma once
#include <optional>

#include "engine/engine.hpp"
#include "time/modelled_time.hpp"

// The engine's conversions beyond its tables, when it holds the time model.
namespace orvane {

// The model's conversions over the engine's kernels: nothing when the engine
// holds no time model or no leap-second kernel, or the day is not finite.
std::optional<ModelledTime> modelled_time(const SpkOrvane& engine, double julian_day);

}  // namespace orvane
