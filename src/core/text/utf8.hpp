#pragma once
#include <string>
#include <string_view>

// UTF-8 text helpers shared by the file readers and the name parsers.
namespace orvane {

bool is_valid_utf8(std::string_view bytes);

// Decodes the bytes as UTF-8, replacing each invalid sequence with U+FFFD.
std::string decode_utf8_lossy(std::string_view bytes);

// Calls visit(code_point, bytes_of_that_code_point) for each code point of
// valid UTF-8; an invalid byte is visited as U+FFFD with the replacement's bytes.
template <typename Visit>
void for_each_code_point(std::string_view text, Visit&& visit);

// Unicode White_Space property.
bool is_white_space(char32_t c);

// Removes White_Space code points from both ends.
std::string_view trim_white_space(std::string_view text);

// Lower-cases ASCII A-Z only.
std::string ascii_lowercase(std::string_view text);

namespace detail {
// Decodes one code point at text[i]; returns its length, or 0 when invalid.
std::size_t decode_one(std::string_view text, std::size_t i, char32_t& out);
}

template <typename Visit>
void for_each_code_point(std::string_view text, Visit&& visit) {
    static constexpr std::string_view REPLACEMENT = "\xEF\xBF\xBD";
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t c = 0;
        std::size_t length = detail::decode_one(text, i, c);
        if (length == 0) {
            visit(char32_t{0xFFFD}, REPLACEMENT);
            i += 1;
        } else {
            visit(c, text.substr(i, length));
            i += length;
        }
    }
}

}  // namespace orvane
