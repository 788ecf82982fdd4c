#pragma once
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

// Opening files through the operating system, shared by the kernel and text
// readers so that a failure reads the same whichever file it concerns.
namespace orvane {

// The operating system's description of an errno value ("No such file or directory").
std::string system_error_text(int error_number);

// An open regular file and its size in bytes when it was opened.
struct RegularFile {
    int fd = -1;
    std::uint64_t size = 0;
};

// The path opened read-only (retried when interrupted) without waiting on it,
// so a FIFO or a device is never read from, then refused unless it is a
// regular file: a directory with the system's "Is a directory", anything else
// with "not a regular file". A path with a NUL byte is refused without a
// system call. The caller owns the descriptor.
std::expected<RegularFile, std::string> open_regular_file(std::string_view path);

}  // namespace orvane
