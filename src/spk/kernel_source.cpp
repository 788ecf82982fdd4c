#include "spk/kernel_source.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <utility>

#include "core/files/system_file.hpp"

namespace orvane {
namespace {

IoError os_error(int code) { return IoError{system_error_text(code)}; }

IoError invalid_seek() { return IoError{std::string(INVALID_SEEK_TEXT)}; }

}  // namespace

std::expected<KernelSource, IoError> KernelSource::open(std::string_view path) {
    auto opened = open_regular_file(path);
    if (!opened) return std::unexpected(IoError{std::move(opened.error())});
    KernelSource source;
    source.fd_ = opened->fd;
    source.length_ = opened->size;
    return source;
}

KernelSource::KernelSource(KernelSource&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      length_(other.length_),
      position_(other.position_),
      read_count_(other.read_count_) {}

KernelSource& KernelSource::operator=(KernelSource&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        length_ = other.length_;
        position_ = other.position_;
        read_count_ = other.read_count_;
    }
    return *this;
}

std::expected<KernelSource, IoError> KernelSource::duplicate() const {
    const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return std::unexpected(os_error(errno));
    KernelSource source;
    source.fd_ = fd;
    source.length_ = length_;
    return source;
}

KernelSource::~KernelSource() { release(); }

void KernelSource::release() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

std::expected<std::size_t, IoError> KernelSource::read(std::span<std::byte> buffer) {
    if (buffer.empty()) return 0;
    // A position beyond what the system can address reads nothing, like the end.
    if (position_ > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return 0;
    ssize_t count;
    do {
        count = ::pread(fd_, buffer.data(), buffer.size(), static_cast<off_t>(position_));
    } while (count < 0 && errno == EINTR);
    if (count < 0) return std::unexpected(os_error(errno));
    position_ += static_cast<std::uint64_t>(count);
    return static_cast<std::size_t>(count);
}

std::expected<std::uint64_t, IoError> KernelSource::seek(SeekOrigin origin, std::int64_t offset) {
    std::uint64_t base = origin == SeekOrigin::Start     ? 0
                         : origin == SeekOrigin::Current ? position_
                                                         : length_;
    std::uint64_t target;
    if (offset >= 0) {
        if (__builtin_add_overflow(base, static_cast<std::uint64_t>(offset), &target)) {
            return std::unexpected(invalid_seek());
        }
    } else {
        std::uint64_t back = 0 - static_cast<std::uint64_t>(offset);
        if (back > base) return std::unexpected(invalid_seek());
        target = base - back;
    }
    if (target > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return std::unexpected(invalid_seek());
    position_ = target;
    return target;
}

std::expected<void, IoError> KernelSource::read_exact(std::span<std::byte> buffer) {
    ++read_count_;
    while (!buffer.empty()) {
        auto count = read(buffer);
        if (!count) return std::unexpected(std::move(count.error()));
        if (*count == 0) return std::unexpected(IoError{std::string(FILL_WHOLE_BUFFER_TEXT)});
        buffer = buffer.subspan(*count);
    }
    return {};
}

}  // namespace orvane
