#include "time/delta_t_model.hpp"

#include <algorithm>
#include <cmath>

namespace orvane {

double delta_t_year(double tt_julian_day) { return (tt_julian_day - 1721045.0) / 365.25; }

double DeltaTCubic::value(double year) const {
    const double t = (year - start) / (end - start);
    return ((a3 * t + a2) * t + a1) * t + a0;
}

double DeltaTCubic::slope(double year) const {
    const double t = (year - start) / (end - start);
    return ((3.0 * a3 * t + 2.0 * a2) * t + a1) / (end - start);
}

DeltaTCubic cubic_between(double x0, double y0, double slope0, double x1, double y1, double slope1) {
    const double width = x1 - x0;
    const double s0 = slope0 * width, s1 = slope1 * width;
    return DeltaTCubic{x0, x1, s0 + s1 + 2.0 * y0 - 2.0 * y1, -2.0 * s0 - s1 - 3.0 * y0 + 3.0 * y1, s0, y0};
}

// Stephenson, Morrison and Hohenkerk (2016), eq. 5.1; the constants -320 s,
// 32.5 s per century squared and the year 1825.
double long_term_parabola(double year) {
    const double u = (year - 1825.0) / 100.0;
    return -320.0 + 32.5 * u * u;
}

double long_term_parabola_slope(double year) { return 2.0 * 32.5 * (year - 1825.0) / 10000.0; }

std::expected<DeltaTSpline, NumericRowsError> DeltaTSpline::open(std::string_view path, std::string_view sha256) {
    auto rows = read_numeric_rows(path, sha256, 6);
    if (!rows) return std::unexpected(std::move(rows.error()));
    return from_rows(std::move(*rows));
}

std::expected<DeltaTSpline, NumericRowsError> DeltaTSpline::from_rows(NumericRows rows) {
    DeltaTSpline spline;
    for (const std::vector<double>& row : rows.rows) {
        DeltaTCubic cubic{row[0], row[1], row[2], row[3], row[4], row[5]};
        const bool joined = spline.cubics_.empty() || spline.cubics_.back().end == cubic.start;
        if (!(cubic.end > cubic.start) || !joined) {
            return std::unexpected(NumericRowsError{rows.file_name + ": the spline intervals must follow one another "
                                                                     "in increasing years"});
        }
        spline.cubics_.push_back(cubic);
    }
    spline.file_name_ = std::move(rows.file_name);
    spline.sha256_ = std::move(rows.sha256);
    return spline;
}

std::size_t DeltaTSpline::interval_at(double year) const {
    auto after = std::upper_bound(cubics_.begin(), cubics_.end(), year,
                                  [](double y, const DeltaTCubic& cubic) { return y < cubic.start; });
    if (after == cubics_.begin()) return 0;
    return std::min(static_cast<std::size_t>(after - cubics_.begin()) - 1, cubics_.size() - 1);
}

double modelled_delta_t(const DeltaTSpline& spline, const std::optional<MeasuredDeltaTEnds>& measured, double year) {
    const double left_end = spline.first_year() - DELTA_T_PATCH_YEARS;
    if (year < left_end) return long_term_parabola(year);
    const DeltaTCubic& first = spline.cubics().front();
    if (year < first.start) {
        return cubic_between(left_end, long_term_parabola(left_end), long_term_parabola_slope(left_end), first.start,
                             first.value(first.start), first.slope(first.start))
            .value(year);
    }
    // Where the splines give way to the table, or end.
    const double splines_end = measured ? measured->first_year : spline.last_year();
    if (year < splines_end || (!measured && year <= splines_end)) {
        const std::size_t index = spline.interval_at(year);
        DeltaTCubic cubic = spline.cubics()[index];
        if (measured) {
            // Skyfield bends the last interval starting before the table's
            // first day (its linear term) so that it meets the table there.
            auto cubics = spline.cubics();
            auto after = std::lower_bound(cubics.begin(), cubics.end(), splines_end,
                                          [](const DeltaTCubic& c, double y) { return c.start < y; });
            const std::size_t last = after == cubics.begin() ? 0 : static_cast<std::size_t>(after - cubics.begin()) - 1;
            if (last == index) {
                const double t = (splines_end - cubic.start) / (cubic.end - cubic.start);
                if (t > 0.0) cubic.a1 += (measured->first_seconds - cubic.value(splines_end)) / t;
            }
        }
        return cubic.value(year);
    }
    double x0 = spline.last_year(), y0 = 0.0, slope0 = 0.0;
    if (measured) {
        x0 = measured->last_year;
        y0 = measured->last_seconds;
        slope0 = measured->last_slope;
    } else {
        const DeltaTCubic& last = spline.cubics().back();
        y0 = last.value(x0);
        slope0 = last.slope(x0);
    }
    const double x1 = std::floor((x0 + DELTA_T_PATCH_YEARS) / 100.0) * 100.0;
    if (year >= x1) return long_term_parabola(year);
    if (year <= x0) {
        // Within the table's span (asked only at its edges): its nearer end.
        return measured && year - measured->first_year < x0 - year ? measured->first_seconds : y0;
    }
    return cubic_between(x0, y0, slope0, x1, long_term_parabola(x1), long_term_parabola_slope(x1)).value(year);
}

}  // namespace orvane
