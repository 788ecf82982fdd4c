#pragma once
#include <expected>
#include <span>
#include <vector>

#include "core/body.hpp"
#include "core/cartesian_state.hpp"
#include "core/errors.hpp"
#include "core/position_options.hpp"
#include "core/time_scale.hpp"

namespace orvane {

// What the binding asks of an engine. SpkOrvane is the implementation; its
// queries fill kernel caches, which the engine holds as mutable state.
class OrvaneBackend {
public:
    virtual ~OrvaneBackend() = default;

    virtual std::expected<Position, OrvaneError> position(Body body, Instant instant,
                                                          const PositionOptions& options) const = 0;

    // Instant-major: all bodies at the first instant, then all at the second, ...
    virtual std::expected<std::vector<Position>, OrvaneError> positions(std::span<const Body> bodies,
                                                                        std::span<const Instant> instants,
                                                                        const PositionOptions& options) const = 0;
};

}  // namespace orvane
