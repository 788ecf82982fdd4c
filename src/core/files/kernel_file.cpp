#include "core/files/kernel_file.hpp"


#include "core/text/utf8.hpp"

namespace orvane {

std::optional<std::string> utf8_file_name(std::string_view path) {
    // Split on '/', dropping empty and "." components (a leading "." counts as
    // a current-directory component and is never a file name either).
    std::string_view last;
    bool have_last = false;
    std::size_t i = 0;
    while (i <= path.size()) {
        std::size_t slash = path.find('/', i);
        if (slash == std::string_view::npos) slash = path.size();
        std::string_view component = path.substr(i, slash - i);
        if (!component.empty() && component != ".") {
            last = component;
            have_last = true;
        }
        i = slash + 1;
    }
    if (!have_last || last == "..") return std::nullopt;
    if (!is_valid_utf8(last)) return std::nullopt;
    return std::string(last);
}

bool is_sha256_text(std::string_view text) {
    if (text.size() != 64) return false;
    for (char ch : text) {
        bool digit = ch >= '0' && ch <= '9';
        bool lower = ch >= 'a' && ch <= 'f';
        bool upper = ch >= 'A' && ch <= 'F';
        if (!digit && !lower && !upper) return false;
    }
    return true;
}

std::string lowercase_sha256(std::string_view text) { return ascii_lowercase(text); }

}  // namespace orvane
