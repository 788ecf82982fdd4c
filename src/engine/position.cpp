// One position: the road of a single request through the engine.
#include "core/constants.hpp"
#include "engine/engine.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/output_frame.hpp"
#include "engine/relative_state.hpp"
#include "engine/request_options.hpp"

namespace orvane {

std::expected<Position, OrvaneError> SpkOrvane::position(Body body, Instant instant,
                                                         const PositionOptions& options) const {
    auto resolved = resolve_position_options(options);
    if (!resolved) return std::unexpected(resolved.error());
    auto seconds = tdb_seconds(*this, instant.time_scale, instant.julian_day);
    if (!seconds) return std::unexpected(seconds.error());

    std::int32_t target = naif_code(body);
    std::int32_t origin = origin_code(resolved->origin.kind);
    std::optional<StateVector> observer_offset;
    if (resolved->origin.kind == OriginKind::Topocentric) {
        auto observer = observer_gcrs_state(*this, resolved->origin.observer, instant.time_scale, instant.julian_day);
        if (!observer) return std::unexpected(observer.error());
        observer_offset = *observer;
    } else if (auto distinct = reject_identical_target_and_center(target, origin); !distinct) {
        return std::unexpected(distinct.error());
    }

    auto state = resolve_relative_state(kernels, target, origin, *seconds, observer_offset,
                                        state_corrections(resolved->corrections));
    if (!state) return std::unexpected(spk_orvane_error(state.error()));
    OutputFrame frame = output_frame(*resolved, *seconds / SECONDS_PER_DAY + J2000_JULIAN_DAY);
    return position_from_state(*state, frame);
}

}  // namespace orvane
