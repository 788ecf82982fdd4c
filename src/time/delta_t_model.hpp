#pragma once
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "time/numeric_rows.hpp"

// Delta T = TT - UT1 where no Earth-orientation table gives it: the cubic
// splines of Morrison, Stephenson, Hohenkerk and Zawilski (2021), the
// long-term parabola of Stephenson, Morrison and Hohenkerk (2016) before and
// after them, and smooth cubic joins between the splines, a measured table
// and the parabola, built as Skyfield builds them (skyfield/timelib.py,
// build_delta_t).
namespace orvane {

// The year of the model's argument: (TT Julian day - 1721045) / 365.25.
double delta_t_year(double tt_julian_day);

// One cubic over [start, end]: with t = (y - start) / (end - start),
// ((a3 t + a2) t + a1) t + a0 seconds.
struct DeltaTCubic {
    double start = 0.0;
    double end = 0.0;
    double a3 = 0.0;
    double a2 = 0.0;
    double a1 = 0.0;
    double a0 = 0.0;

    double value(double year) const;
    double slope(double year) const;  // seconds per year
};

// The cubic from (x0, y0) with slope0 to (x1, y1) with slope1 (Hermite form;
// skyfield/curvelib.py, build_spline_given_ends).
DeltaTCubic cubic_between(double x0, double y0, double slope0, double x1, double y1, double slope1);

// Stephenson, Morrison and Hohenkerk, Proc. R. Soc. A 472 (2016), eq. 5.1:
// Delta T = -320 + 32.5 ((y - 1825) / 100)^2 seconds, and its slope.
double long_term_parabola(double year);
double long_term_parabola_slope(double year);

// The spline table (contiguous intervals in increasing years).
class DeltaTSpline {
public:
    static std::expected<DeltaTSpline, NumericRowsError> open(std::string_view path, std::string_view sha256);
    static std::expected<DeltaTSpline, NumericRowsError> from_rows(NumericRows rows);

    // The interval holding the year; the first or last one beyond them.
    std::size_t interval_at(double year) const;

    double first_year() const { return cubics_.front().start; }
    double last_year() const { return cubics_.back().end; }
    std::span<const DeltaTCubic> cubics() const { return cubics_; }
    const std::string& file_name() const { return file_name_; }
    const std::string& sha256() const { return sha256_; }

private:
    DeltaTSpline() = default;
    std::string file_name_;
    std::string sha256_;
    std::vector<DeltaTCubic> cubics_;
};

// Delta T measured at the ends of an Earth-orientation table.
struct MeasuredDeltaTEnds {
    double first_year = 0.0;
    double first_seconds = 0.0;
    double last_year = 0.0;
    double last_seconds = 0.0;
    double last_slope = 0.0;  // seconds per year over the table's last year
};

// The patch width of the joins to the parabola, years (Skyfield's choice).
inline constexpr double DELTA_T_PATCH_YEARS = 800.0;

// Delta T (seconds) at a year: the parabola before the splines' first year
// less the patch; a cubic join to the splines' start; the splines, the last
// interval before the table's first day bent (its linear term) to meet the
// table there; after the table's last day a cubic from its value and slope to
// the parabola at the next whole century at least the patch width later; then
// the parabola. Without a table the splines end at their last year and the
// join starts there. Within a table's span the table itself is used instead.
double modelled_delta_t(const DeltaTSpline& spline, const std::optional<MeasuredDeltaTEnds>& measured, double year);

}  // namespace orvane
