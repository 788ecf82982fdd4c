#include "time/text_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "core/utf8.hpp"

namespace orvane {

namespace {
std::string system_message(int error_number) {
    return std::error_code(error_number, std::generic_category()).message();
}
}  // namespace

std::expected<std::string, std::string> read_utf8_text_file(std::string_view path) {
    if (path.find('\0') != std::string_view::npos) {
        return std::unexpected(std::string("file name contained an unexpected NUL byte"));
    }
    const std::string path_text(path);
    int fd;
    do {
        fd = ::open(path_text.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return std::unexpected(system_message(errno));

    std::string content;
    char buffer[65536];
    for (;;) {
        ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) continue;
            int error_number = errno;
            ::close(fd);
            return std::unexpected(system_message(error_number));
        }
        if (count == 0) break;
        content.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(fd);
    if (!is_valid_utf8(content)) return std::unexpected(std::string("stream did not contain valid UTF-8"));
    return content;
}

}  // namespace orvane
