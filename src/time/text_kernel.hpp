#pragma once
#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Reader for the subset of the NAIF text-kernel syntax that leap-second kernels
// use: "\begindata"/"\begintext" sections, keyword assignments running over
// several lines, numbers with Fortran "D" exponents, parenthesised lists and
// "@YYYY-MON-D" date literals. Positions are bytes of UTF-8 text; character
// tests are made on whole code points, and trimming removes Unicode White_Space.
namespace orvane {

// The error of the text-kernel reader and of the leap-second kernel loader.
struct LskError {
    enum class Kind : std::uint8_t {
        Read,            // detail: the system's message
        FileName,
        Checksum,
        NoData,
        MissingKeyword,  // detail: the keyword
        InvalidValue,    // detail: the keyword; reason: why
        InvalidDate,     // detail: the whole literal; reason: why, when the form is right but the date is not
        NotAscending,
    };
    Kind kind = Kind::NoData;
    std::string detail;
    std::string reason;

    static LskError read(std::string system_message);
    static LskError file_name();
    static LskError checksum();
    static LskError no_data();
    static LskError missing_keyword(std::string_view keyword);
    static LskError invalid_value(std::string_view keyword, std::string_view reason);
    static LskError invalid_date(std::string_view literal, std::string_view reason = {});
    static LskError not_ascending();

    std::string message() const;
};

// Keyword -> raw value text; looked up with string views.
struct TextKernelKeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const noexcept { return std::hash<std::string_view>{}(key); }
};
using AssignmentMap = std::unordered_map<std::string, std::string, TextKernelKeyHash, std::equal_to<>>;

// The lines of every data section, each followed by a line feed; fails with
// NoData when nothing but White_Space remains.
std::expected<std::string, LskError> extract_data_sections(std::string_view text);

// Keyword assignments of data-section text. "NAME = values" replaces what NAME
// held, so the last such assignment wins; "NAME += values" appends the values to
// NAME's (NAIF's "+=" operator), and creates NAME when it held nothing.
AssignmentMap parse_assignments(std::string_view data);

// The tokens of a value: outer parentheses removed, split at White_Space and
// commas, empty pieces dropped. The views point into `value`.
std::vector<std::string_view> value_tokens(std::string_view value);

// A decimal number, "D"/"d" read as an exponent letter; absent for anything else.
std::optional<double> parse_number(std::string_view token);

// A keyword whose value is exactly one number.
std::expected<double, LskError> scalar(const AssignmentMap& map, std::string_view keyword);

// The raw value text of a keyword (a view into the map).
std::expected<std::string_view, LskError> raw_value(const AssignmentMap& map, std::string_view keyword);

// "@YEAR-MON-DAY" -> the Julian day of 00:00 of that proleptic Gregorian date;
// the year has four digits (1000 to 9999) and the day lies within its month.
std::expected<double, LskError> parse_date_literal(std::string_view token);

// The (noon-based, integral) Julian day number of a proleptic Gregorian date.
double julian_day_number(std::int32_t year, std::uint32_t month, std::uint32_t day);

}  // namespace orvane
