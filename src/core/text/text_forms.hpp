#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The text forms every message and repr is written with.
namespace orvane {

// Shortest decimal that reads back to the same double, never in exponent form,
// no fractional part when integral: 2451545, 0.5, 0.0000001, -0, NaN, inf, -inf.
std::string plain_float(double value);

// Shortest round-trip text with at least one fractional digit (2451545.0, -0.0);
// exponent form (1e-5, 1.5e16) when the magnitude is nonzero and below 1e-4 or
// at least 1e16; NaN, inf, -inf.
std::string debug_float(double value);

// "None" or "Some(<debug float>)".
std::string optional_debug_float(std::optional<double> value);

// The text in double quotes with backslash escapes for quotes, backslashes,
// \n \r \t \0 and \u{hex} for other control or non-printable characters.
std::string quoted(std::string_view text);

// "true" or "false".
std::string_view boolean(bool value);

// Decimal text of an integer.
std::string integer_text(std::int64_t value);

}  // namespace orvane
