#pragma once
#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>

namespace orvane {

// A failure of the operating system or of the stream, with its own text.
struct IoError {
    std::string text;
};

// The stream's own texts for a read past the end and an impossible seek.
inline constexpr std::string_view FILL_WHOLE_BUFFER_TEXT = "failed to fill whole buffer";
inline constexpr std::string_view INVALID_SEEK_TEXT = "invalid seek to a negative or overflowing position";

enum class SeekOrigin : std::uint8_t { Start, Current, End };

// The bytes of one kernel file, read through the file handle at a position of
// its own (positioned reads, so every read is a copy that the operating system
// checks). The file is never mapped into memory: a file truncated or rewritten
// while it is open then gives a read error rather than a fault.
class KernelSource {
public:
    // Opens read-only; only a regular file is accepted.
    static std::expected<KernelSource, IoError> open(std::string_view path);

    KernelSource(KernelSource&& other) noexcept;
    KernelSource& operator=(KernelSource&& other) noexcept;
    KernelSource(const KernelSource&) = delete;
    KernelSource& operator=(const KernelSource&) = delete;
    ~KernelSource();

    // A second source over the same open file (a duplicated handle, so the
    // file it reads is the one this source opened), at position 0: what
    // another thread reads through while this one is in use.
    std::expected<KernelSource, IoError> duplicate() const;

    // Copies up to buffer.size() bytes from the current position; 0 at the end.
    std::expected<std::size_t, IoError> read(std::span<std::byte> buffer);
    // Moves the position; returns the new position from the start.
    std::expected<std::uint64_t, IoError> seek(SeekOrigin origin, std::int64_t offset);
    // Reads until the buffer is full, or fails with "failed to fill whole buffer".
    std::expected<void, IoError> read_exact(std::span<std::byte> buffer);

    // File length in bytes as found when opened.
    std::uint64_t length() const { return length_; }
    // Position after the last successful seek or read.
    std::uint64_t position() const { return position_; }
    // Number of read_exact calls so far, for checking that caches spare the file.
    std::uint64_t read_count() const { return read_count_; }

private:
    KernelSource() = default;
    void release();

    int fd_ = -1;
    std::uint64_t length_ = 0;
    std::uint64_t position_ = 0;
    std::uint64_t read_count_ = 0;
};

}  // namespace orvane
