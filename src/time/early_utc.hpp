#pragma once
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "time/numeric_rows.hpp"

// UTC as defined from 1960 to 1972, when its seconds were not SI seconds:
// TAI - UTC = offset + (MJD - reference MJD) x rate from 00:00 UTC of each
// row's first day (IERS; the table of ERFA's dat.c). The last row marks the
// day the leap-second kernel takes over.
namespace orvane {

struct EarlyUtcRow {
    double first_mjd = 0.0;
    double offset_seconds = 0.0;
    double reference_mjd = 0.0;
    double rate_seconds_per_day = 0.0;
};

class EarlyUtcTable {
public:
    static std::expected<EarlyUtcTable, NumericRowsError> open(std::string_view path, std::string_view sha256);
    static std::expected<EarlyUtcTable, NumericRowsError> from_rows(NumericRows rows);

    // TAI - UTC in seconds at a UTC Julian day, or nothing outside
    // [first day, last row's day).
    std::optional<double> tai_minus_utc(double utc_julian_day) const;

    double first_utc_julian_day() const { return rows_.front().first_mjd + 2400000.5; }
    double end_utc_julian_day() const { return rows_.back().first_mjd + 2400000.5; }
    std::span<const EarlyUtcRow> rows() const { return rows_; }
    const std::string& file_name() const { return file_name_; }
    const std::string& sha256() const { return sha256_; }

private:
    EarlyUtcTable() = default;
    std::string file_name_;
    std::string sha256_;
    std::vector<EarlyUtcRow> rows_;
};

}  // namespace orvane
