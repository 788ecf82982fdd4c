#pragma once
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Daily Earth-orientation values from an IERS EOP 20 C04 table or an IERS
// finals table (Bulletin A columns, finals2000A.all and its kin): UT1-UTC and
// polar motion, interpolated linearly between rows, never extrapolated.
namespace orvane {

// One row of the table.
struct EopSample {
    double utc_jd = 0.0;        // the row's MJD + 2400000.5
    double dut1_seconds = 0.0;  // UT1 - UTC
    double x_arcsec = 0.0;      // polar motion x
    double y_arcsec = 0.0;      // polar motion y
    bool predicted = false;     // a finals row's UT1 flag "P"
};

struct EopError {
    enum class Kind : std::uint8_t {
        Read,             // system_message
        FileName,
        Checksum,
        Empty,
        NotIncreasing,
        InvalidLine,      // line_number
        InvalidFinalsLine,  // line_number
        MissingUt1,         // line_number: a finals row without UT1-UTC before rows with it
        InvalidUt1Step,     // line_number, dut1_before, dut1_after
        OlderC04Layout,     // line_number
        UnknownLayout,      // line_number
        NotFinite,
        OutsideCoverage,  // utc_jd, first_utc_jd, last_utc_jd
    };
    Kind kind = Kind::NotFinite;
    std::string system_message;
    std::uint64_t line_number = 0;
    double utc_jd = 0.0;
    double first_utc_jd = 0.0;
    double last_utc_jd = 0.0;
    double dut1_before = 0.0;
    double dut1_after = 0.0;

    static EopError read(std::string system_message);
    static EopError file_name();
    static EopError checksum();
    static EopError empty();
    static EopError not_increasing();
    static EopError invalid_line(std::uint64_t line_number);
    static EopError invalid_finals_line(std::uint64_t line_number);
    static EopError missing_ut1(std::uint64_t line_number);
    static EopError invalid_ut1_step(std::uint64_t line_number, double dut1_before, double dut1_after);
    static EopError older_c04_layout(std::uint64_t line_number);
    static EopError unknown_layout(std::uint64_t line_number);
    static EopError not_finite();
    static EopError outside_coverage(double utc_jd, double first_utc_jd, double last_utc_jd);

    std::string message() const;
};

// Polar motion at an instant, arcseconds.
struct PolarMotion {
    double x_arcsec = 0.0;
    double y_arcsec = 0.0;
};

// One trimmed data line (fields split at runs of White_Space: 5 MJD, 6 x, 7 y,
// 8 UT1-UTC); line_number is the 1-based line of the file, for the message.
std::expected<EopSample, EopError> parse_c04_line(std::string_view line, std::uint64_t line_number);

// True when a data line has the fixed columns of an IERS finals row (blank
// byte 7, MJD in bytes 8-15 with its decimal point at byte 13, blank byte 16);
// a C04 line never has them. The first data line decides a file's layout.
bool is_finals_line(std::string_view line);

// One untrimmed IERS finals row (bytes counted from 1: 8-15 MJD, 17 polar-motion
// flag "I" or "P", 19-27 x, 38-46 y, 58 UT1 flag "I" or "P", 59-68 UT1-UTC; the
// Bulletin A values). Nothing for a blank line or a dated row whose bytes 59-68
// are blank or absent: the days past the predictions, which only end a table.
std::expected<std::optional<EopSample>, EopError> parse_finals_line(std::string_view line,
                                                                    std::uint64_t line_number);

// An immutable, movable table; samples are never empty and strictly increasing in UTC.
class EarthOrientationTable {
public:
    static std::expected<EarthOrientationTable, EopError> open(std::string_view path, std::string_view sha256);

    // Values at a UTC Julian day: the stored row when a row's day equals it
    // exactly, otherwise linear interpolation between the bracketing rows. On
    // the day before a leap second UT1-UTC follows that day's row up to the
    // step at midnight instead of blending across it.
    std::expected<EopSample, EopError> interpolated_sample(double utc_jd) const;

    // UT1 - UTC in seconds at a UTC Julian day.
    std::expected<double, EopError> dut1_seconds(double utc_jd) const;

    std::expected<PolarMotion, EopError> polar_motion_arcsec(double utc_jd) const;

    // The UTC Julian day of a UT1 Julian day (three fixed-point refinements).
    std::expected<double, EopError> utc_julian_day_from_ut1(double ut1_jd) const;

    // UTC -> UT1: utc_jd + DUT1(utc_jd) / 86400.
    std::expected<double, EopError> ut1_julian_day_from_utc(double utc_jd) const;

    const std::string& file_name() const { return file_name_; }
    const std::string& sha256() const { return sha256_; }
    std::span<const EopSample> samples() const { return samples_; }
    double first_utc_jd() const { return samples_.front().utc_jd; }
    double last_utc_jd() const { return samples_.back().utc_jd; }

private:
    EarthOrientationTable() = default;

    // The table of rows already read from the given lines; fails when there
    // are none, when they are not strictly increasing in UTC, or when UT1-UTC
    // steps by more than half a second other than by a leap second.
    static std::expected<EarthOrientationTable, EopError> from_samples(std::string file_name, std::string sha256,
                                                                      std::vector<EopSample> samples,
                                                                      const std::vector<std::uint64_t>& lines);

    std::string file_name_;
    std::string sha256_;  // lower case
    // The index of the last row whose day is at or before the query, a day
    // within the coverage.
    std::size_t row_at_or_before(double utc_jd) const;
    // The check of a query day: finite, inside the coverage.
    std::expected<void, EopError> covers(double utc_jd) const;
    // UT1 - UTC at a day g of the way from the row `at` to the next, taken
    // back across a leap second's step.
    double blended_dut1(std::size_t at, double g) const;

    std::vector<EopSample> samples_;
};

}  // namespace orvane
