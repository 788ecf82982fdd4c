#include "engine/instant_conversion.hpp"

#include <cmath>

#include "core/constants.hpp"
#include "engine/modelled_instants.hpp"
#include "engine/time_errors.hpp"

namespace orvane {

namespace {

// TDB seconds past J2000 of an instant given as julian_day, refused when the
// TDB day lies outside the supported range.
std::expected<double, OrvaneError> within_supported_range(const SpkOrvane& engine, double seconds,
                                                          double julian_day) {
    const DateRange& range = engine.supported_range;
    double tdb_julian_day = seconds / SECONDS_PER_DAY + J2000_JULIAN_DAY;
    if (!(tdb_julian_day >= range.start_julian_day && tdb_julian_day <= range.end_julian_day)) {
        return std::unexpected(OrvaneError::out_of_range(julian_day, range.start_julian_day, range.end_julian_day,
                                                         range.time_scale));
    }
    return seconds;
}

}  // namespace

std::expected<double, OrvaneError> tdb_seconds(const SpkOrvane& engine, TimeScale scale, double julian_day) {
    // TT and TDB, the usual scales, skip the time library's error path.
    if (auto dynamical = dynamical_tdb_seconds(engine.leap_seconds, scale, julian_day)) {
        return within_supported_range(engine, *dynamical, julian_day);
    }
    auto seconds = tdb_seconds_with_time_kernels(engine.leap_seconds, engine.earth_orientation, scale, julian_day);
    if (!seconds) {
        auto model = modelled_time(engine, julian_day);
        if (!model) return std::unexpected(time_error(seconds.error()));
        seconds = model->tdb_seconds(scale, julian_day);
    }
    return within_supported_range(engine, *seconds, julian_day);
}

void tdb_seconds_lanes(const SpkOrvane& engine, const Instant* instants, std::size_t count,
                       std::expected<double, OrvaneError>* out) {
    double days[TDB_TT_LANES], seconds[TDB_TT_LANES];
    std::size_t lane_of[TDB_TT_LANES], lanes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Instant& instant = instants[i];
        if (instant.time_scale == TimeScale::Tt && std::isfinite(instant.julian_day)) {
            lane_of[lanes] = i;
            days[lanes++] = instant.julian_day;
        } else {
            out[i] = tdb_seconds(engine, instant.time_scale, instant.julian_day);
        }
    }
    if (lanes == 0) return;
    tdb_seconds_of_tt_lanes(engine.leap_seconds, days, lanes, seconds);
    for (std::size_t k = 0; k < lanes; ++k) {
        out[lane_of[k]] = within_supported_range(engine, seconds[k], days[k]);
    }
}

std::expected<double, OrvaneError> instant_as_tt(const SpkOrvane& engine, TimeScale scale, double julian_day) {
    auto tt = tt_julian_day_with_time_kernels(engine.leap_seconds, engine.earth_orientation, scale, julian_day);
    if (!tt) {
        auto model = modelled_time(engine, julian_day);
        if (!model) return std::unexpected(time_error(tt.error()));
        return model->tt(scale, julian_day);
    }
    return *tt;
}

namespace {

std::expected<double, OrvaneError> instant_in_scale_by_tables(const SpkOrvane& engine, TimeScale scale,
                                                              double julian_day, TimeScale target) {
    auto failed = [](std::string text) { return std::unexpected(OrvaneError::time_conversion(std::move(text))); };
    if (!std::isfinite(julian_day)) return failed(TimeConversionError::non_finite_julian_day().message());
    if (scale == target) return julian_day;
    const EarthOrientationTable* table = engine.earth_orientation ? &*engine.earth_orientation : nullptr;
    switch (target) {
        case TimeScale::Tdb: {
            auto seconds =
                tdb_seconds_with_time_kernels(engine.leap_seconds, engine.earth_orientation, scale, julian_day);
            if (!seconds) return std::unexpected(time_error(seconds.error()));
            return *seconds / SECONDS_PER_DAY + J2000_JULIAN_DAY;
        }
        case TimeScale::Tt: return instant_as_tt(engine, scale, julian_day);
        case TimeScale::Utc:
        case TimeScale::Ut1: break;
    }
    if (target == TimeScale::Ut1 && table == nullptr) {
        return failed(UtcConversionError::missing_orientation_table().message());
    }
    if (target == TimeScale::Ut1 && scale == TimeScale::Utc) {
        auto ut1 = table->ut1_julian_day_from_utc(julian_day);
        if (!ut1) return std::unexpected(time_error(ut1.error()));
        return *ut1;
    }
    if (!engine.leap_seconds) {
        return failed(std::string(target == TimeScale::Utc ? "UTC" : "UT1") +
                      " requires a leap-second kernel; attach one with SpkOrvane::with_leap_second_kernel");
    }
    auto converted = target == TimeScale::Utc ? engine.leap_seconds->utc_julian_day(scale, table, julian_day)
                                              : engine.leap_seconds->ut1_julian_day(scale, *table, julian_day);
    if (!converted) return std::unexpected(time_error(converted.error()));
    return *converted;
}

}  // namespace

std::expected<double, OrvaneError> instant_in_scale(const SpkOrvane& engine, TimeScale scale, double julian_day,
                                                    TimeScale target) {
    auto converted = instant_in_scale_by_tables(engine, scale, julian_day, target);
    if (converted) return converted;
    auto model = modelled_time(engine, julian_day);
    if (!model) return converted;
    switch (target) {
        case TimeScale::Utc: return model->utc(scale, julian_day);
        case TimeScale::Ut1: return model->ut1(scale, julian_day);
        case TimeScale::Tt: return model->tt(scale, julian_day);
        case TimeScale::Tdb: break;
    }
    return model->tdb_seconds(scale, julian_day) / SECONDS_PER_DAY + J2000_JULIAN_DAY;
}

namespace {

std::expected<EarthRotationEpochs, OrvaneError> earth_rotation_epochs_by_tables(const SpkOrvane& engine,
                                                                                TimeScale scale, double julian_day) {
    if (!engine.leap_seconds) {
        return std::unexpected(OrvaneError::time_conversion(
            "topocentric origins require a leap-second kernel; attach one with "
            "SpkOrvane::with_leap_second_kernel"));
    }
    if (!engine.earth_orientation) {
        return std::unexpected(OrvaneError::time_conversion(
            "topocentric origins require an Earth orientation table (DUT1); attach one with SpkOrvane::with_eop"));
    }
    auto tt = engine.leap_seconds->tt_julian_day(scale, &*engine.earth_orientation, julian_day);
    if (!tt) return std::unexpected(time_error(tt.error()));
    auto ut1 = engine.leap_seconds->ut1_julian_day(scale, *engine.earth_orientation, julian_day);
    if (!ut1) return std::unexpected(time_error(ut1.error()));
    return EarthRotationEpochs{*ut1, *tt};
}

std::expected<PlaceEpochs, OrvaneError> place_epochs_by_tables(const SpkOrvane& engine, TimeScale scale,
                                                            double julian_day) {
    if (scale == TimeScale::Ut1 && engine.leap_seconds && engine.earth_orientation) {
        // The UTC day of the UT1 day, found once: the conversions to TDB and
        // to TT, and the polar motion, each start from it.
        auto utc = engine.earth_orientation->utc_julian_day_from_ut1(julian_day);
        if (!utc) return std::unexpected(time_error(utc.error()));
        auto seconds = engine.leap_seconds->tdb_seconds(TimeScale::Utc, *utc);
        if (!seconds) return std::unexpected(time_error(seconds.error()));
        auto in_range = within_supported_range(engine, *seconds, julian_day);
        if (!in_range) return std::unexpected(std::move(in_range.error()));
        auto tt = engine.leap_seconds->tt_julian_day(TimeScale::Utc, nullptr, *utc);
        if (!tt) return std::unexpected(time_error(tt.error()));
        return PlaceEpochs{*seconds, {julian_day, *tt}, *utc};
    }
    auto seconds = tdb_seconds(engine, scale, julian_day);
    if (!seconds) return std::unexpected(std::move(seconds.error()));
    auto epochs = earth_rotation_epochs(engine, scale, julian_day);
    if (!epochs) return std::unexpected(std::move(epochs.error()));
    auto utc = engine.earth_orientation->utc_julian_day_from_ut1(epochs->ut1_julian_day);
    if (!utc) return std::unexpected(time_error(utc.error()));
    return PlaceEpochs{*seconds, *epochs, *utc};
}

}  // namespace

std::expected<EarthRotationEpochs, OrvaneError> earth_rotation_epochs(const SpkOrvane& engine, TimeScale scale,
                                                                      double julian_day) {
    auto epochs = earth_rotation_epochs_by_tables(engine, scale, julian_day);
    if (epochs) return epochs;
    auto model = modelled_time(engine, julian_day);
    if (!model) return epochs;
    return EarthRotationEpochs{model->ut1(scale, julian_day), model->tt(scale, julian_day)};
}

std::expected<PlaceEpochs, OrvaneError> place_epochs(const SpkOrvane& engine, TimeScale scale, double julian_day) {
    auto epochs = place_epochs_by_tables(engine, scale, julian_day);
    if (epochs) return epochs;
    auto model = modelled_time(engine, julian_day);
    if (!model) return epochs;
    auto seconds = within_supported_range(engine, model->tdb_seconds(scale, julian_day), julian_day);
    if (!seconds) return std::unexpected(std::move(seconds.error()));
    const double ut1 = model->ut1(scale, julian_day);
    return PlaceEpochs{*seconds, {ut1, model->tt(scale, julian_day)}, model->utc(TimeScale::Ut1, ut1)};
}

}  // namespace orvane
