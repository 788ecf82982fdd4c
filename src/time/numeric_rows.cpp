#include "time/numeric_rows.hpp"

#include <cmath>
#include <optional>

#include "core/files/kernel_file.hpp"
#include "time/decimal_number.hpp"
#include "time/text_file.hpp"

namespace orvane {

namespace {

bool is_separator(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::expected<NumericRows, NumericRowsError> numeric_rows_from_text(std::string file_name, std::string_view sha256,
                                                                    std::string_view text, std::size_t width) {
    if (!is_sha256_text(sha256)) {
        return std::unexpected(NumericRowsError{"the SHA-256 of " + file_name + " must be 64 hexadecimal digits"});
    }
    NumericRows table{file_name, lowercase_sha256(sha256), {}};
    std::optional<NumericRowsError> failure;
    std::size_t line_number = 0;
    for_each_line(text, [&](std::string_view line) {
        ++line_number;
        if (failure) return;
        std::size_t start = 0;
        while (start < line.size() && is_separator(line[start])) ++start;
        if (start == line.size() || line[start] == '#') return;
        std::vector<double> row;
        while (start < line.size()) {
            std::size_t end = start;
            while (end < line.size() && !is_separator(line[end])) ++end;
            std::optional<double> value = parse_decimal(line.substr(start, end - start));
            if (!value || !std::isfinite(*value)) break;
            row.push_back(*value);
            start = end;
            while (start < line.size() && is_separator(line[start])) ++start;
        }
        if (start < line.size() || row.size() != width) {
            failure = NumericRowsError{file_name + " line " + std::to_string(line_number) + ": expected " +
                                       std::to_string(width) + " finite numbers"};
            return;
        }
        table.rows.push_back(std::move(row));
    });
    if (failure) return std::unexpected(std::move(*failure));
    if (table.rows.empty()) return std::unexpected(NumericRowsError{file_name + " holds no rows"});
    return table;
}

std::expected<NumericRows, NumericRowsError> read_numeric_rows(std::string_view path, std::string_view sha256,
                                                               std::size_t width) {
    std::optional<std::string> name = utf8_file_name(path);
    if (!name) return std::unexpected(NumericRowsError{"the file name must be valid UTF-8"});
    auto text = read_utf8_text_file(path);
    if (!text) return std::unexpected(NumericRowsError{*name + ": " + text.error()});
    return numeric_rows_from_text(std::move(*name), sha256, *text, width);
}

}  // namespace orvane
