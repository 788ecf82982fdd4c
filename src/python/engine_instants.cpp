// Engine.convert_instant: an instant in another time scale, with the Engine's
// time kernels.
#include "python/convert.hpp"
#include "python/engine_methods.hpp"
#include "python/engine_object.hpp"
#include "python/python_errors.hpp"
#include "python/vocabulary.hpp"
#include "engine/instant_conversion.hpp"

namespace orvane::python {
namespace {
const Signature CONVERT_INSTANT_SIGNATURE{"convert_instant", {"instant", "time_scale"}, 2};
}  // namespace

PyObject* engine_convert_instant(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[2];
    if (!match_arguments(CONVERT_INSTANT_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto instant = instant_argument(CONVERT_INSTANT_SIGNATURE, 0, a[0]);
    if (!instant) return nullptr;
    auto scale_text = str_argument(CONVERT_INSTANT_SIGNATURE, 1, a[1]);
    if (!scale_text) return nullptr;
    auto target = parsed_or_raise(parse_time_scale(*scale_text));
    if (!target) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    auto day = instant_in_scale(*engine, instant->time_scale, instant->julian_day, *target);
    if (!day) return map_orvane_error(day.error());
    return new_instant(Instant{*day, *target});
}

}  // namespace orvane::python
