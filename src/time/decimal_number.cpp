#include "time/decimal_number.hpp"

#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

namespace orvane {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool equals_ignoring_ascii_case(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

}  // namespace

std::optional<double> parse_decimal(std::string_view text) {
    bool negative = false;
    std::string_view body = text;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    constexpr double INFINITY_VALUE = std::numeric_limits<double>::infinity();
    if (equals_ignoring_ascii_case(body, "inf") || equals_ignoring_ascii_case(body, "infinity")) {
        return negative ? -INFINITY_VALUE : INFINITY_VALUE;
    }
    if (equals_ignoring_ascii_case(body, "nan")) return std::numeric_limits<double>::quiet_NaN();

    // Validate the decimal form and find where the first nonzero mantissa digit
    // stands (its power of ten), for the out-of-range case below.
    std::size_t i = 0;
    std::size_t integer_digits = 0, fraction_digits = 0;
    std::int64_t first_nonzero_power = 0;
    bool nonzero_seen = false;
    while (i < body.size() && is_digit(body[i])) ++i, ++integer_digits;
    for (std::size_t k = 0; k < integer_digits && !nonzero_seen; ++k) {
        if (body[k] != '0') nonzero_seen = true, first_nonzero_power = static_cast<std::int64_t>(integer_digits - k);
    }
    if (i < body.size() && body[i] == '.') {
        ++i;
        while (i < body.size() && is_digit(body[i])) {
            ++fraction_digits;
            if (!nonzero_seen && body[i] != '0') {
                nonzero_seen = true;
                first_nonzero_power = 1 - static_cast<std::int64_t>(fraction_digits);
            }
            ++i;
        }
    }
    if (integer_digits + fraction_digits == 0) return std::nullopt;
    std::int64_t exponent = 0;
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
        ++i;
        bool exponent_negative = false;
        if (i < body.size() && (body[i] == '+' || body[i] == '-')) exponent_negative = body[i++] == '-';
        std::size_t exponent_digits = 0;
        while (i < body.size() && is_digit(body[i])) {
            if (exponent < 1'000'000'000) exponent = exponent * 10 + (body[i] - '0');
            ++i, ++exponent_digits;
        }
        if (exponent_digits == 0) return std::nullopt;
        if (exponent_negative) exponent = -exponent;
    }
    if (i != body.size()) return std::nullopt;

    double value = 0.0;
    auto [end, error] = std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
    if (end != body.data() + body.size()) return std::nullopt;
    if (error == std::errc::result_out_of_range) {
        // Too large rounds to infinity, too small to zero (the first nonzero
        // digit stands at 10^(power - 1)).
        value = first_nonzero_power + exponent > 0 ? INFINITY_VALUE : 0.0;
    } else if (error != std::errc{}) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

}  // namespace orvane
