#pragma once
#include <cstdint>
#include <optional>

#include "core/time_scale.hpp"
#include "time/delta_t_model.hpp"
#include "time/early_utc.hpp"
#include "time/earth_orientation_table.hpp"
#include "time/leap_second_kernel.hpp"

// UTC, UT1 and TT for every date: the leap-second kernel and the
// Earth-orientation table where they hold, UTC as defined from 1960 to 1972
// before the kernel, civil time as UT (UTC = UT1) before 1960, and the Delta T
// model wherever the table gives no UT1.
namespace orvane {

// The two tables of the model, attached to an engine together.
struct TimeModel {
    DeltaTSpline delta_t;
    EarlyUtcTable early_utc;
};

// Where an instant's UT1 comes from.
enum class Ut1Source : std::uint8_t { Measured, Predicted, Model };
const char* ut1_source_name(Ut1Source source);

// The source of UT1 at a UTC Julian day by the table alone: measured or
// predicted by its rows' flags (the bracketing rows), the model outside it.
Ut1Source ut1_source_in_table(const EarthOrientationTable* eop, double utc_julian_day);

// The conversions over an engine's kernels and model (all borrowed). Every
// Julian day given must be finite.
class ModelledTime {
public:
    ModelledTime(const LeapSecondKernel& leap_seconds, const EarthOrientationTable* eop, const TimeModel& model);

    // TT - UTC in seconds at a UTC Julian day.
    double tt_minus_utc(double utc_julian_day) const;

    double tt_from_utc(double utc_julian_day) const;
    double utc_from_tt(double tt_julian_day) const;
    double ut1_from_utc(double utc_julian_day) const;
    double utc_from_ut1(double ut1_julian_day) const;
    double tt_from_ut1(double ut1_julian_day) const;
    double ut1_from_tt(double tt_julian_day) const;

    // An instant in another scale (UTC, UT1 or TT; TDB through TT).
    double tt(TimeScale scale, double julian_day) const;
    double utc(TimeScale scale, double julian_day) const;
    double ut1(TimeScale scale, double julian_day) const;
    // TDB seconds past J2000, UTC input without the rounding of a TT Julian day.
    double tdb_seconds(TimeScale scale, double julian_day) const;

    // The model's Delta T (seconds) at a TT Julian day.
    double modelled_delta_t(double tt_julian_day) const;

    // The source of UT1 at a UTC Julian day, and the polar motion there
    // (zero outside the table).
    Ut1Source ut1_source(double utc_julian_day) const;
    PolarMotion polar_motion(double utc_julian_day) const;

    // Delta T at the table's ends, when a table is attached.
    const std::optional<MeasuredDeltaTEnds>& measured_ends() const { return measured_; }

private:
    bool table_covers(double utc_julian_day) const;
    double tt_from_ut1_by_model(double ut1_julian_day) const;

    const LeapSecondKernel& leap_seconds_;
    const EarthOrientationTable* eop_;
    const TimeModel& model_;
    std::optional<MeasuredDeltaTEnds> measured_;
};

}  // namespace orvane
