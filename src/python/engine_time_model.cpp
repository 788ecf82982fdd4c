// Engine.with_time_model and Engine.ut1_source: UT1 and UTC for every date,
// and where an instant's UT1 comes from.
#include "engine/instant_conversion.hpp"
#include "engine/modelled_instants.hpp"
#include "python/arguments.hpp"
#include "python/convert.hpp"
#include "python/engine_methods.hpp"
#include "python/engine_object.hpp"
#include "python/python_errors.hpp"
#include "python/vocabulary.hpp"

namespace orvane::python {
namespace {
const Signature TIME_MODEL_SIGNATURE{"with_time_model", {"delta_t", "delta_t_sha256", "early_utc", "early_utc_sha256"}, 4};
const Signature UT1_SOURCE_SIGNATURE{"ut1_source", {"instant"}, 1};
}  // namespace

PyObject* engine_with_time_model(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[4];
    if (!match_arguments(TIME_MODEL_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Exclusive);
    if (!access) return nullptr;
    PyRef holders[2];
    std::string_view texts[4];
    for (std::size_t i = 0; i < 4; ++i) {
        auto text = i % 2 == 0 ? path_argument(TIME_MODEL_SIGNATURE, i, a[i], holders[i / 2])
                               : str_argument(TIME_MODEL_SIGNATURE, i, a[i]);
        if (!text) return nullptr;
        texts[i] = *text;
    }
    auto spline = DeltaTSpline::open(texts[0], texts[1]);
    if (!spline) return file_error(spline.error().message(), texts[0], "delta_t");
    auto early = EarlyUtcTable::open(texts[2], texts[3]);
    if (!early) return file_error(early.error().message(), texts[2], "early_utc");
    if (!access->object().engine) return value_error(ENGINE_CLOSED);
    std::unique_ptr<SpkOrvane> engine = std::move(access->object().engine);
    access->object().engine = std::make_unique<SpkOrvane>(
        SpkOrvane::with_time_model(std::move(*engine), TimeModel{std::move(*spline), std::move(*early)}));
    Py_RETURN_NONE;
}

PyObject* engine_ut1_source(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* a[1];
    if (!match_arguments(UT1_SOURCE_SIGNATURE, args, nargs, kwnames, a)) return nullptr;
    auto access = EngineAccess::enter(self, AccessKind::Shared);
    if (!access) return nullptr;
    auto instant = instant_argument(UT1_SOURCE_SIGNATURE, 0, a[0]);
    if (!instant) return nullptr;
    SpkOrvane* engine = access->engine();
    if (engine == nullptr) return nullptr;
    // UT1 must be obtainable at all (the tables' own refusals otherwise).
    auto ut1 = instant_in_scale(*engine, instant->time_scale, instant->julian_day, TimeScale::Ut1);
    if (!ut1) return map_orvane_error(ut1.error());
    auto utc = instant_in_scale(*engine, TimeScale::Ut1, *ut1, TimeScale::Utc);
    if (!utc) return map_orvane_error(utc.error());
    const EarthOrientationTable* table = engine->earth_orientation ? &*engine->earth_orientation : nullptr;
    return PyUnicode_FromString(ut1_source_name(ut1_source_in_table(table, *utc)));
}

}  // namespace orvane::python
