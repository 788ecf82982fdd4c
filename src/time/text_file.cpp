#include "time/text_file.hpp"

#include <unistd.h>

#include <cerrno>

#include "core/files/system_file.hpp"
#include "core/text/utf8.hpp"

namespace orvane {

std::expected<std::string, std::string> read_utf8_text_file(std::string_view path) {
    auto opened = open_regular_file(path);
    if (!opened) return std::unexpected(std::move(opened.error()));
    const int fd = opened->fd;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    // No more than the file held when it was opened, however much is appended
    // while it is read; a file shrunk meanwhile ends early.
    std::string content;
    std::size_t filled = 0;
    content.resize(static_cast<std::size_t>(opened->size));
    while (filled < content.size()) {
        ssize_t count = ::read(fd, content.data() + filled, content.size() - filled);
        if (count < 0) {
            if (errno == EINTR) continue;
            return std::unexpected(system_error_text(errno));
        }
        if (count == 0) break;
        filled += static_cast<std::size_t>(count);
    }
    content.resize(filled);
    if (!is_valid_utf8(content)) return std::unexpected(std::string("stream did not contain valid UTF-8"));
    return content;
}

}  // namespace orvane
