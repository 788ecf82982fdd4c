#include "core/system_file.hpp"

#include <fcntl.h>

#include <cerrno>
#include <system_error>

namespace orvane {

std::string system_error_text(int error_number) { return std::generic_category().message(error_number); }

std::expected<int, std::string> open_read_only(std::string_view path) {
    if (path.find('\0') != std::string_view::npos) {
        return std::unexpected(std::string("file name contained an unexpected NUL byte"));
    }
    const std::string terminated(path);
    int fd;
    do {
        fd = ::open(terminated.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return std::unexpected(system_error_text(errno));
    return fd;
}

}  // namespace orvane
