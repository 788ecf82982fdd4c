#include "time/early_utc.hpp"

#include <cmath>

namespace orvane {

std::expected<EarlyUtcTable, NumericRowsError> EarlyUtcTable::open(std::string_view path, std::string_view sha256) {
    auto rows = read_numeric_rows(path, sha256, 4);
    if (!rows) return std::unexpected(std::move(rows.error()));
    return from_rows(std::move(*rows));
}

std::expected<EarlyUtcTable, NumericRowsError> EarlyUtcTable::from_rows(NumericRows rows) {
    EarlyUtcTable table;
    for (const std::vector<double>& row : rows.rows) {
        EarlyUtcRow entry{row[0], row[1], row[2], row[3]};
        if (!table.rows_.empty() && !(entry.first_mjd > table.rows_.back().first_mjd)) {
            return std::unexpected(NumericRowsError{rows.file_name + ": the rows' first days must increase"});
        }
        if (entry.first_mjd != std::floor(entry.first_mjd)) {
            return std::unexpected(NumericRowsError{rows.file_name + ": each row starts on a whole MJD"});
        }
        table.rows_.push_back(entry);
    }
    if (table.rows_.size() < 2) {
        return std::unexpected(NumericRowsError{rows.file_name + ": at least one row and the closing day are needed"});
    }
    table.file_name_ = std::move(rows.file_name);
    table.sha256_ = std::move(rows.sha256);
    return table;
}

std::optional<double> EarlyUtcTable::tai_minus_utc(double utc_julian_day) const {
    const double mjd = utc_julian_day - 2400000.5;
    if (!(mjd >= rows_.front().first_mjd && mjd < rows_.back().first_mjd)) return std::nullopt;
    std::size_t i = rows_.size() - 1;
    while (rows_[i].first_mjd > mjd) --i;
    // ERFA eraDat: the rate applies to the MJD of the day and its fraction.
    const EarlyUtcRow& row = rows_[i];
    return row.offset_seconds + (mjd - row.reference_mjd) * row.rate_seconds_per_day;
}

}  // namespace orvane
