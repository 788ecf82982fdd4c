#include "time/text_kernel.hpp"

#include <charconv>
#include <limits>

#include "core/text/text_forms.hpp"
#include "core/text/utf8.hpp"
#include "time/decimal_number.hpp"
#include "time/text_file.hpp"

namespace orvane {

LskError LskError::read(std::string system_message) { return {Kind::Read, std::move(system_message), {}}; }
LskError LskError::file_name() { return {Kind::FileName, {}, {}}; }
LskError LskError::checksum() { return {Kind::Checksum, {}, {}}; }
LskError LskError::no_data() { return {Kind::NoData, {}, {}}; }
LskError LskError::missing_keyword(std::string_view keyword) {
    return {Kind::MissingKeyword, std::string(keyword), {}};
}
LskError LskError::invalid_value(std::string_view keyword, std::string_view reason) {
    return {Kind::InvalidValue, std::string(keyword), std::string(reason)};
}
LskError LskError::invalid_date(std::string_view literal, std::string_view reason) {
    return {Kind::InvalidDate, std::string(literal), std::string(reason)};
}
LskError LskError::not_ascending() { return {Kind::NotAscending, {}, {}}; }

std::string LskError::message() const {
    switch (kind) {
        case Kind::Read: return "failed to read leap-second kernel: " + detail;
        case Kind::FileName: return "leap-second kernel path has no UTF-8 filename";
        case Kind::Checksum: return "leap-second kernel SHA-256 must contain exactly 64 hexadecimal characters";
        case Kind::NoData: return "leap-second kernel has no \\begindata section";
        case Kind::MissingKeyword: return "leap-second kernel is missing required keyword " + detail;
        case Kind::InvalidValue: return "invalid value for " + detail + ": " + reason;
        case Kind::InvalidDate:
            return "invalid NAIF date literal " + quoted(detail) + (reason.empty() ? "" : ": " + reason);
        case Kind::NotAscending: return "DELTET/DELTA_AT entries must be strictly ascending in effective date";
    }
    return {};
}

std::expected<std::string, LskError> extract_data_sections(std::string_view text) {
    std::string data;
    bool inside = false;
    for_each_line(text, [&](std::string_view line) {
        std::string_view marker = trim_white_space(line);
        if (marker == "\\begindata") {
            inside = true;
        } else if (marker == "\\begintext") {
            inside = false;
        } else if (inside) {
            data += line;
            data += '\n';
        }
    });
    if (trim_white_space(data).empty()) return std::unexpected(LskError::no_data());
    return data;
}

namespace {

bool is_ascii_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }

bool is_keyword(std::string_view text) {
    if (text.empty() || !is_ascii_letter(text.front())) return false;
    for (char c : text) {
        if (!is_ascii_letter(c) && !is_ascii_digit(c) && c != '/' && c != '_') return false;
    }
    return true;
}

// A value list without its outer parentheses, as value_tokens reads it.
std::string_view list_contents(std::string_view value) {
    std::string_view rest = trim_white_space(value);
    while (!rest.empty() && rest.front() == '(') rest.remove_prefix(1);
    while (!rest.empty() && rest.back() == ')') rest.remove_suffix(1);
    return rest;
}
}  // namespace

AssignmentMap parse_assignments(std::string_view data) {
    AssignmentMap map;
    std::string keyword;
    std::string value;
    bool pending = false;
    bool appending = false;
    auto store = [&] {
        if (!pending) return;
        std::string_view text = trim_white_space(value);
        auto held = appending ? map.find(keyword) : map.end();
        if (held == map.end()) {
            map.insert_or_assign(std::move(keyword), std::string(text));
            return;
        }
        // Both lists in one pair of parentheses, so their values read in order.
        std::string joined = "(" + std::string(list_contents(held->second));
        joined += ' ';
        joined += list_contents(text);
        joined += ')';
        held->second = std::move(joined);
    };
    for_each_line(data, [&](std::string_view raw_line) {
        std::string_view line = trim_white_space(raw_line);
        if (line.empty()) return;
        std::size_t equals = line.find('=');
        if (equals != std::string_view::npos) {
            const bool plus = equals > 0 && line[equals - 1] == '+';
            std::string_view left = trim_white_space(line.substr(0, plus ? equals - 1 : equals));
            if (is_keyword(left)) {
                store();
                keyword = std::string(left);
                value = std::string(trim_white_space(line.substr(equals + 1)));
                value += ' ';
                pending = true;
                appending = plus;
                return;
            }
        }
        if (pending) {
            value += line;
            value += ' ';
        }
    });
    store();
    return map;
}

std::vector<std::string_view> value_tokens(std::string_view value) {
    const std::string_view rest = list_contents(value);

    std::vector<std::string_view> tokens;
    std::size_t token_start = 0;
    std::size_t i = 0;
    auto finish = [&](std::size_t end) {
        if (end > token_start) tokens.push_back(rest.substr(token_start, end - token_start));
    };
    while (i < rest.size()) {
        char32_t c = 0;
        std::size_t length = detail::decode_one(rest, i, c);
        if (length == 0) {  // an invalid byte is part of a token
            ++i;
            continue;
        }
        if (c == U',' || is_white_space(c)) {
            finish(i);
            token_start = i + length;
        }
        i += length;
    }
    finish(rest.size());
    return tokens;
}

std::optional<double> parse_number(std::string_view token) {
    std::string text(token);
    for (char& c : text) {
        if (c == 'D' || c == 'd') c = 'E';
    }
    return parse_decimal(text);
}

std::expected<std::string_view, LskError> raw_value(const AssignmentMap& map, std::string_view keyword) {
    auto found = map.find(keyword);
    if (found == map.end()) return std::unexpected(LskError::missing_keyword(keyword));
    return std::string_view(found->second);
}

std::expected<double, LskError> scalar(const AssignmentMap& map, std::string_view keyword) {
    auto value = raw_value(map, keyword);
    if (!value) return std::unexpected(value.error());
    std::vector<std::string_view> tokens = value_tokens(*value);
    if (tokens.size() != 1) return std::unexpected(LskError::invalid_value(keyword, "expected a single scalar value"));
    std::optional<double> number = parse_number(tokens.front());
    if (!number) return std::unexpected(LskError::invalid_value(keyword, "value is not a valid number"));
    return *number;
}

namespace {

// Decimal digits with an optional leading "+", no larger than `maximum`.
std::optional<std::uint64_t> parse_unsigned(std::string_view text, std::uint64_t maximum) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (!is_ascii_digit(c)) return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > maximum) return std::nullopt;
    }
    return value;
}

constexpr std::string_view MONTH_NAMES[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                            "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr std::uint64_t MIN_YEAR = 1000, MAX_YEAR = 9999;

// Days of a month of the proleptic Gregorian calendar (month 1 to 12).
std::uint32_t days_in_month(std::int32_t year, std::uint32_t month) {
    static constexpr std::uint32_t DAYS[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : DAYS[month - 1];
}

std::optional<std::uint32_t> month_number(std::string_view text) {
    const auto& MONTHS = MONTH_NAMES;
    if (text.size() != 3) return std::nullopt;
    char upper[3];
    for (std::size_t i = 0; i < 3; ++i) {
        char c = text[i];
        if (!is_ascii_letter(c)) return std::nullopt;
        upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    for (std::uint32_t m = 0; m < 12; ++m) {
        if (std::string_view(upper, 3) == MONTHS[m]) return m + 1;
    }
    return std::nullopt;
}

}  // namespace

std::expected<double, LskError> parse_date_literal(std::string_view token) {
    auto invalid = [&] { return std::unexpected(LskError::invalid_date(token)); };
    if (token.empty() || token.front() != '@') return invalid();
    std::string_view rest = token.substr(1);

    std::string_view pieces[3];
    std::size_t count = 0;
    for (;;) {
        std::size_t dash = rest.find('-');
        if (count == 3) return invalid();  // a fourth piece
        pieces[count++] = rest.substr(0, dash);
        if (dash == std::string_view::npos) break;
        rest.remove_prefix(dash + 1);
    }
    if (count != 3) return invalid();

    auto year = parse_unsigned(pieces[0], static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()));
    auto month = month_number(pieces[1]);
    auto day = parse_unsigned(pieces[2], std::numeric_limits<std::uint32_t>::max());
    if (!year || !month || !day || *day == 0) return invalid();
    // A date that is well formed but names no day of the calendar: SPICE reads
    // two-digit years as years of the 20th or 21st century, and refuses a day
    // past the month's end.
    if (*year < MIN_YEAR || *year > MAX_YEAR) {
        return std::unexpected(LskError::invalid_date(token, "the year must have four digits (1000 to 9999)"));
    }
    const std::uint32_t length = days_in_month(static_cast<std::int32_t>(*year), *month);
    if (*day > length) {
        return std::unexpected(LskError::invalid_date(
            token, std::string(MONTH_NAMES[*month - 1]) + " " + integer_text(static_cast<std::int64_t>(*year)) +
                       " has " + integer_text(length) + " days"));
    }
    return julian_day_number(static_cast<std::int32_t>(*year), *month, static_cast<std::uint32_t>(*day)) - 0.5;
}

double julian_day_number(std::int32_t year, std::uint32_t month, std::uint32_t day) {
    const std::int64_t a = month < 3 ? 1 : 0;
    const std::int64_t y = static_cast<std::int64_t>(year) + 4800 - a;
    const std::int64_t m = static_cast<std::int64_t>(month) + 12 * a - 3;
    const std::int64_t jdn = static_cast<std::int64_t>(day) + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 +
                             y / 400 - 32045;
    return static_cast<double>(jdn);
}

}  // namespace orvane
