#include "spk/kernel_source.hpp"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "core/system_file.hpp"

namespace orvane {
namespace {

IoError os_error(int code) { return IoError{system_error_text(code)}; }

IoError invalid_seek() { return IoError{std::string(INVALID_SEEK_TEXT)}; }

}  // namespace

std::expected<KernelSource, IoError> KernelSource::open(std::string_view path) { return open_file(path, true); }

std::expected<KernelSource, IoError> KernelSource::open_unmapped(std::string_view path) {
    return open_file(path, false);
}

std::expected<KernelSource, IoError> KernelSource::open_file(std::string_view path, bool map) {
    auto opened = open_read_only(path);
    if (!opened) return std::unexpected(IoError{std::move(opened.error())});
    int fd = *opened;

    KernelSource source;
    source.fd_ = fd;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size >= 0) {
        source.length_ = static_cast<std::uint64_t>(info.st_size);
    } else {
        source.length_ = std::numeric_limits<std::uint64_t>::max();
        map = false;
    }
    // An empty file, a length beyond the address space or a refused mapping
    // leaves the plain-read form.
    if (map && source.length_ > 0 && source.length_ <= std::numeric_limits<std::size_t>::max()) {
        void* address = ::mmap(nullptr, static_cast<std::size_t>(source.length_), PROT_READ, MAP_PRIVATE, fd, 0);
        if (address != MAP_FAILED) source.map_ = static_cast<const std::byte*>(address);
    }
    return source;
}

KernelSource::KernelSource(KernelSource&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      map_(std::exchange(other.map_, nullptr)),
      length_(other.length_),
      position_(other.position_),
      read_count_(other.read_count_) {}

KernelSource& KernelSource::operator=(KernelSource&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        map_ = std::exchange(other.map_, nullptr);
        length_ = other.length_;
        position_ = other.position_;
        read_count_ = other.read_count_;
    }
    return *this;
}

KernelSource::~KernelSource() { release(); }

void KernelSource::release() {
    if (map_ != nullptr) {
        ::munmap(const_cast<std::byte*>(map_), static_cast<std::size_t>(length_));
        map_ = nullptr;
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

std::expected<std::size_t, IoError> KernelSource::read(std::span<std::byte> buffer) {
    if (map_ != nullptr) {
        if (position_ >= length_ || buffer.empty()) return 0;
        std::uint64_t available = length_ - position_;
        std::size_t count = available < buffer.size() ? static_cast<std::size_t>(available) : buffer.size();
        std::memcpy(buffer.data(), map_ + position_, count);
        position_ += count;
        return count;
    }
    if (buffer.empty()) return 0;
    ssize_t count;
    do {
        count = ::read(fd_, buffer.data(), buffer.size());
    } while (count < 0 && errno == EINTR);
    if (count < 0) return std::unexpected(os_error(errno));
    position_ += static_cast<std::uint64_t>(count);
    return static_cast<std::size_t>(count);
}

std::expected<std::uint64_t, IoError> KernelSource::seek(SeekOrigin origin, std::int64_t offset) {
    // Both forms compute the new position the same way, so a seek that the
    // map refuses is refused by the plain-read form with the same text.
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
    if (map_ == nullptr) {
        if (target > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
            return std::unexpected(invalid_seek());
        }
        if (::lseek(fd_, static_cast<off_t>(target), SEEK_SET) < 0) return std::unexpected(os_error(errno));
    }
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
