#include "time/text_file.hpp"

#include <unistd.h>

#include <cerrno>

#include "core/system_file.hpp"
#include "core/utf8.hpp"

namespace orvane {

std::expected<std::string, std::string> read_utf8_text_file(std::string_view path) {
    auto opened = open_read_only(path);
    if (!opened) return std::unexpected(std::move(opened.error()));
    int fd = *opened;

    std::string content;
    char buffer[65536];
    for (;;) {
        ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) continue;
            int error_number = errno;
            ::close(fd);
            return std::unexpected(system_error_text(error_number));
        }
        if (count == 0) break;
        content.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(fd);
    if (!is_valid_utf8(content)) return std::unexpected(std::string("stream did not contain valid UTF-8"));
    return content;
}

}  // namespace orvane
