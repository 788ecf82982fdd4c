#pragma once
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.hpp"
#include "core/time_scale.hpp"
#include "time/earth_orientation_table.hpp"
#include "time/text_kernel.hpp"

// The TAI-UTC table and TDB-TT constants of a NAIF leap-second kernel, and the
// conversions between UTC, UT1, TT and TDB built on them.
namespace orvane {

// One row of DELTET/DELTA_AT.
struct LeapSecondEntry {
    double delta_at = 0.0;  // TAI - UTC, seconds
    double utc_jd = 0.0;    // 00:00 UTC of the day the offset applies from
};

// The error of every conversion.
struct UtcConversionError {
    enum class Kind : std::uint8_t {
        Time,                     // time
        Orientation,              // orientation
        MissingOrientationTable,
        BeforeFirstEntry,         // utc_jd, first_utc_jd
    };
    Kind kind = Kind::Time;
    TimeConversionError time;
    EopError orientation;
    double utc_jd = 0.0;
    double first_utc_jd = 0.0;

    static UtcConversionError from_time(TimeConversionError error);
    static UtcConversionError from_orientation(EopError error);
    static UtcConversionError missing_orientation_table();
    static UtcConversionError before_first_entry(double utc_jd, double first_utc_jd);

    std::string message() const;
};

// The constants of TDB - TT = K sin(E), E = M + EB sin(M), M = M0 + M1 t.
struct TdbTtConstants {
    double k = 0.0;
    double eb = 0.0;
    double m0 = 0.0;
    double m1 = 0.0;
};

// The standard values, used when no leap-second kernel is attached.
inline constexpr TdbTtConstants STANDARD_TDB_TT_CONSTANTS{0.001657, 0.01671, 6.239996, 1.99096871e-7};

// TDB - TT at TT seconds past J2000: K sin(E) with the mean anomaly taken first
// at TT, then twice at the current TDB estimate. The offset is returned on its
// own, free of the rounding of a 1e9-second epoch.
double tdb_minus_tt(const TdbTtConstants& constants, double tt_seconds);

// Epochs a call of tdb_minus_tt_lanes takes.
inline constexpr std::size_t TDB_TT_LANES = 4;

// tdb_minus_tt of count ≤ TDB_TT_LANES epochs at once, in vector lanes: each
// offset the same bits as tdb_minus_tt of its epoch alone (which is this with
// one lane).
void tdb_minus_tt_lanes(const TdbTtConstants& constants, const double* tt_seconds, std::size_t count, double* out);

// TT seconds + TDB - TT.
double tdb_seconds_from_tt_seconds(const TdbTtConstants& constants, double tt_seconds);

// TDB seconds - the same offset evaluated at the TDB seconds themselves
// (no iteration on the inverse).
double tt_seconds_from_tdb_seconds(const TdbTtConstants& constants, double tdb_seconds);

// An immutable, movable leap-second kernel.
class LeapSecondKernel {
public:
    static std::expected<LeapSecondKernel, LskError> open(std::string_view path, std::string_view sha256);

    // Builds a kernel from the text of a file already read: checks the
    // checksum's form, then reads the constants and the DELTA_AT table.
    static std::expected<LeapSecondKernel, LskError> from_text(std::string file_name, std::string_view sha256,
                                                               std::string_view text);

    // TDB seconds past J2000. UT1 always fails here; see tdb_seconds_with_eop.
    std::expected<double, UtcConversionError> tdb_seconds(TimeScale scale, double jd) const;

    // `eop` may be null (no table attached); UT1 input needs it.
    std::expected<double, UtcConversionError> tt_julian_day(TimeScale scale, const EarthOrientationTable* eop,
                                                            double jd) const;
    std::expected<double, UtcConversionError> utc_julian_day(TimeScale scale, const EarthOrientationTable* eop,
                                                             double jd) const;
    std::expected<double, UtcConversionError> ut1_julian_day(TimeScale scale, const EarthOrientationTable& eop,
                                                             double jd) const;

    // As tdb_seconds, with UT1 input converted to UTC through the table first.
    std::expected<double, UtcConversionError> tdb_seconds_with_eop(TimeScale scale, const EarthOrientationTable& eop,
                                                                   double jd) const;

    // TAI - UTC at a UTC Julian day (the last entry at or before it).
    std::expected<double, UtcConversionError> delta_at(double utc_jd) const;

    // The UTC Julian day of a TT Julian day (three fixed refinements).
    std::expected<double, UtcConversionError> utc_julian_day_from_tt(double tt_jd) const;

    // TT seconds past J2000 of a UTC Julian day, without the rounding of an
    // intermediate Julian day.
    std::expected<double, UtcConversionError> tt_seconds_from_utc(double utc_jd) const;

    const std::string& file_name() const { return file_name_; }
    const std::string& sha256() const { return sha256_; }
    std::span<const LeapSecondEntry> entries() const { return entries_; }
    double delta_t_a() const { return delta_t_a_; }
    const TdbTtConstants& tdb_tt_constants() const { return tdb_tt_; }

private:
    LeapSecondKernel() = default;
    double tt_julian_day_from_tdb(double jd) const;

    std::string file_name_;
    std::string sha256_;  // lower case
    std::vector<LeapSecondEntry> entries_;
    double delta_t_a_ = 0.0;
    TdbTtConstants tdb_tt_;
};

// The TDB seconds past J2000 of a finite TT or TDB Julian day, with the
// kernel's TDB - TT constants when one is given (the standard ones
// otherwise): bit for bit what tdb_seconds_with_time_kernels gives, without
// its error path, the conversion needing no table and having no way to fail.
// Empty for another scale or a day that is not finite.
std::optional<double> dynamical_tdb_seconds(const std::optional<LeapSecondKernel>& leap_seconds, TimeScale scale,
                                            double jd);

// dynamical_tdb_seconds of count ≤ TDB_TT_LANES finite TT Julian days at
// once, in vector lanes: each the same bits as its day alone.
void tdb_seconds_of_tt_lanes(const std::optional<LeapSecondKernel>& leap_seconds, const double* tt_julian_days,
                             std::size_t count, double* out);

// The conversions an engine makes with whichever time kernels it holds, with
// the conversion's error as a value (a day outside the Earth-orientation table
// keeps its bounds). Without a leap-second kernel TDB passes through, TT uses
// the standard TDB - TT constants, UTC and UT1 fail.
std::expected<double, UtcConversionError> tdb_seconds_with_time_kernels(
    const std::optional<LeapSecondKernel>& leap_seconds, const std::optional<EarthOrientationTable>& eop,
    TimeScale scale, double jd);
std::expected<double, UtcConversionError> tt_julian_day_with_time_kernels(
    const std::optional<LeapSecondKernel>& leap_seconds, const std::optional<EarthOrientationTable>& eop,
    TimeScale scale, double jd);

// The same without any kernel, as error values.
std::expected<double, TimeConversionError> tdb_seconds_without_kernel(TimeScale scale, double jd);
std::expected<double, TimeConversionError> tt_julian_day_without_kernel(TimeScale scale, double jd);

}  // namespace orvane
