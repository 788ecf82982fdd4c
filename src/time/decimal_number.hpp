#pragma once
#include <optional>
#include <string_view>

namespace orvane {

// Correctly rounded decimal text to double: an optional sign ("+" or "-"),
// digits with an optional decimal point (at least one digit), an optional
// exponent ("e"/"E", optional sign, digits); or "inf", "infinity", "nan" in any
// letter case. Magnitudes beyond the double range give infinity, below it zero.
// Anything else, surrounding white space included, gives nothing.
std::optional<double> parse_decimal(std::string_view text);

}  // namespace orvane
