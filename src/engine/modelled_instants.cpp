#include "engine/modelled_instants.hpp"

#include <cmath>

namespace orvane {

std::optional<ModelledTime> modelled_time(const SpkOrvane& engine, double julian_day) {
    if (!engine.time_model || !engine.leap_seconds || !std::isfinite(julian_day)) return std::nullopt;
    return ModelledTime(*engine.leap_seconds, engine.earth_orientation ? &*engine.earth_orientation : nullptr,
                        *engine.time_model);
}

}  // namespace orvane
