// Engine.convert_instant: an instant in another time scale, with the Engine's
// time kernels.
#include "python/bound_method.hpp"
#include "python/engine_methods.hpp"
#include "engine/instant_conversion.hpp"

namespace orvane::python {
namespace {

std::expected<Instant, OrvaneError> convert_instant(const SpkOrvane& engine, Instant instant, TimeScale target) {
    auto day = instant_in_scale(engine, instant.time_scale, instant.julian_day, target);
    if (!day) return std::unexpected(day.error());
    return Instant{*day, target};
}

constexpr Method CONVERT_INSTANT{
    "convert_instant",
    {{{"instant"}, {"time_scale"}}},
    AccessKind::Shared,
    Lock::Held,
    "The same instant in another time scale (\"tdb\", \"tt\", \"utc\" or \"ut1\"),\n"
    "converted with the attached leap-second kernel and EOP table."};

}  // namespace

PyMethodDef engine_convert_instant() { return bind<convert_instant, CONVERT_INSTANT, Instant, TimeScale>(); }

}  // namespace orvane::python
