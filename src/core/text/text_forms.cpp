#include "core/text/text_forms.hpp"

#include <charconv>
#include <cmath>

#include "core/text/utf8.hpp"

namespace orvane {
namespace {

// Large enough for the fixed form of the largest double (309 digits) and a sign.
constexpr std::size_t FLOAT_BUFFER = 400;

std::string non_finite_text(double value) {
    if (std::isnan(value)) return "NaN";
    return value < 0 ? "-inf" : "inf";
}

std::string shortest(double value, std::chars_format format) {
    char buffer[FLOAT_BUFFER];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    return std::string(buffer, result.ptr);
}

// Shortest scientific form with a bare exponent: "1e-5", "1.5e16".
std::string exponent_form(double value) {
    std::string text = shortest(value, std::chars_format::scientific);
    std::size_t e = text.find('e');
    std::string mantissa = text.substr(0, e);
    std::string_view exponent = std::string_view(text).substr(e + 1);
    bool negative = false;
    if (!exponent.empty() && (exponent.front() == '+' || exponent.front() == '-')) {
        negative = exponent.front() == '-';
        exponent.remove_prefix(1);
    }
    while (exponent.size() > 1 && exponent.front() == '0') exponent.remove_prefix(1);
    mantissa += 'e';
    if (negative) mantissa += '-';
    mantissa += exponent;
    return mantissa;
}

bool is_printable(char32_t c) {
    if (c < 0x20 || (c >= 0x7f && c <= 0xa0) || c == 0xad) return false;
    if (c == 0x1680 || (c >= 0x2000 && c <= 0x200f) || (c >= 0x2028 && c <= 0x202f)) return false;
    if ((c >= 0x205f && c <= 0x206f) || c == 0x3000 || c == 0xfeff) return false;
    if ((c >= 0x600 && c <= 0x605) || c == 0x61c || c == 0x6dd || c == 0x70f || c == 0x180e) return false;
    if (c >= 0xfff9 && c <= 0xfffb) return false;
    if ((c >= 0xd800 && c <= 0xf8ff) || (c >= 0xfdd0 && c <= 0xfdef)) return false;
    if ((c & 0xfffe) == 0xfffe) return false;
    if (c >= 0xe0000) return false;
    return true;
}

}  // namespace

std::string plain_float(double value) {
    if (!std::isfinite(value)) return non_finite_text(value);
    return shortest(value, std::chars_format::fixed);
}

std::string debug_float(double value) {
    if (!std::isfinite(value)) return non_finite_text(value);
    double magnitude = std::fabs(value);
    if (magnitude != 0.0 && (magnitude < 1e-4 || magnitude >= 1e16)) return exponent_form(value);
    std::string text = shortest(value, std::chars_format::fixed);
    if (text.find('.') == std::string::npos) text += ".0";
    return text;
}

std::string optional_debug_float(std::optional<double> value) {
    if (!value) return "None";
    return "Some(" + debug_float(*value) + ")";
}

std::string quoted(std::string_view text) {
    std::string out = "\"";
    for_each_code_point(text, [&out](char32_t c, std::string_view bytes) {
        switch (c) {
            case '"': out += "\\\""; return;
            case '\\': out += "\\\\"; return;
            case '\n': out += "\\n"; return;
            case '\r': out += "\\r"; return;
            case '\t': out += "\\t"; return;
            case '\0': out += "\\0"; return;
            default: break;
        }
        if (is_printable(c)) {
            out += bytes;
            return;
        }
        char hex[16];
        auto result = std::to_chars(hex, hex + sizeof hex, static_cast<std::uint32_t>(c), 16);
        out += "\\u{";
        out.append(hex, result.ptr);
        out += '}';
    });
    out += '"';
    return out;
}

std::string_view boolean(bool value) { return value ? "true" : "false"; }

std::string integer_text(std::int64_t value) {
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace orvane
