#pragma once
#include <expected>
#include <string>
#include <string_view>

// Whole-file reads of the text tables (leap-second kernels, Earth-orientation
// tables) and their line splitting.
namespace orvane {

// The whole file as UTF-8 text. The error is the system's description of the
// failure, or "stream did not contain valid UTF-8" for bytes that are not UTF-8.
std::expected<std::string, std::string> read_utf8_text_file(std::string_view path);

// Calls visit(line) for each line: lines end at a line feed, one carriage
// return right before it is dropped, and the text after the last line feed is
// a line only when it is not empty.
template <typename Visit>
void for_each_line(std::string_view text, Visit&& visit) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            visit(text.substr(start));
            return;
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        visit(line);
        start = end + 1;
    }
}

}  // namespace orvane
