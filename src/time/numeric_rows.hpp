#pragma once
#include <cstddef>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

// The small numeric tables of the time model: a text file of rows of decimal
// numbers separated by spaces or tabs, "#" starting a comment line.
namespace orvane {

// A table file read: its name, checksum (lower case) and rows, each of the
// same width.
struct NumericRows {
    std::string file_name;
    std::string sha256;
    std::vector<std::vector<double>> rows;
};

// The error of reading such a file; the text names the file and line.
struct NumericRowsError {
    std::string text;
    const std::string& message() const { return text; }
};

// Reads the file: a UTF-8 file name, a 64-digit hexadecimal checksum, and
// only rows of exactly `width` finite numbers; at least one row.
std::expected<NumericRows, NumericRowsError> read_numeric_rows(std::string_view path, std::string_view sha256,
                                                               std::size_t width);

// The same from the text of a file already read.
std::expected<NumericRows, NumericRowsError> numeric_rows_from_text(std::string file_name, std::string_view sha256,
                                                                    std::string_view text, std::size_t width);

}  // namespace orvane
