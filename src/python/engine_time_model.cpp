// Engine.with_time_model and Engine.ut1_source: UT1 and UTC for every date,
// and where an instant's UT1 comes from.
#include "engine/instant_conversion.hpp"
#include "engine/modelled_instants.hpp"
#include "python/bound_method.hpp"
#include "python/engine_methods.hpp"

namespace orvane::python {
namespace {

PyObject* with_time_model(EngineObject& object, std::string_view delta_t, std::string_view delta_t_sha256,
                          std::string_view early_utc, std::string_view early_utc_sha256) {
    auto spline = DeltaTSpline::open(delta_t, delta_t_sha256);
    if (!spline) return file_error(spline.error().message(), delta_t, "delta_t");
    auto early = EarlyUtcTable::open(early_utc, early_utc_sha256);
    if (!early) return file_error(early.error().message(), early_utc, "early_utc");
    return replace_engine(object, [&](SpkOrvane engine) {
        return SpkOrvane::with_time_model(std::move(engine), TimeModel{std::move(*spline), std::move(*early)});
    });
}

std::expected<std::string_view, OrvaneError> ut1_source(const SpkOrvane& engine, Instant instant) {
    // UT1 must be obtainable at all (the tables' own refusals otherwise).
    auto ut1 = instant_in_scale(engine, instant.time_scale, instant.julian_day, TimeScale::Ut1);
    if (!ut1) return std::unexpected(ut1.error());
    auto utc = instant_in_scale(engine, TimeScale::Ut1, *ut1, TimeScale::Utc);
    if (!utc) return std::unexpected(utc.error());
    const EarthOrientationTable* table = engine.earth_orientation ? &*engine.earth_orientation : nullptr;
    return ut1_source_name(ut1_source_in_table(table, *utc));
}

constexpr Method WITH_TIME_MODEL{
    "with_time_model",
    {{{"delta_t"}, {"delta_t_sha256"}, {"early_utc"}, {"early_utc_sha256"}}},
    AccessKind::Exclusive,
    Lock::Held,
    "Attach the Delta T splines and the table of UTC from 1960 to 1972: with a\n"
    "leap-second kernel, UTC, UT1 and TT then convert at every date (UT1 from\n"
    "the Delta T model outside the EOP table, UTC = UT1 before 1960)."};

constexpr Method UT1_SOURCE{
    "ut1_source",
    {{{"instant"}}},
    AccessKind::Shared,
    Lock::Held,
    "Where the instant's UT1 comes from: \"measured\" or \"predicted\" (the EOP\n"
    "table's rows) or \"model\" (the Delta T model)."};

}  // namespace

PyMethodDef engine_with_time_model() {
    return bind<with_time_model, WITH_TIME_MODEL, Path, std::string_view, Path, std::string_view>();
}

PyMethodDef engine_ut1_source() { return bind<ut1_source, UT1_SOURCE, Instant>(); }

}  // namespace orvane::python
