#include "core/files/system_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace orvane {

std::string system_error_text(int error_number) { return std::generic_category().message(error_number); }

std::expected<RegularFile, std::string> open_regular_file(std::string_view path) {
    if (path.find('\0') != std::string_view::npos) {
        return std::unexpected(std::string("file name contained an unexpected NUL byte"));
    }
    const std::string terminated(path);
    int fd;
    do {
        // O_NONBLOCK: opening a FIFO without a writer returns at once.
        fd = ::open(terminated.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return std::unexpected(system_error_text(errno));
    struct stat info {};
    std::string failure;
    if (::fstat(fd, &info) != 0) {
        failure = system_error_text(errno);
    } else if (S_ISDIR(info.st_mode)) {
        failure = system_error_text(EISDIR);
    } else if (!S_ISREG(info.st_mode) || info.st_size < 0) {
        failure = "not a regular file";
    } else if (int flags = ::fcntl(fd, F_GETFL); flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        failure = system_error_text(errno);
    }
    if (!failure.empty()) {
        ::close(fd);
        return std::unexpected(std::move(failure));
    }
    return RegularFile{fd, static_cast<std::uint64_t>(info.st_size)};
}

}  // namespace orvane
