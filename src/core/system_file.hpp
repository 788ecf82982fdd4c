#pragma once
#include <expected>
#include <string>
#include <string_view>

// Opening files through the operating system, shared by the kernel and text
// readers so that a failure reads the same whichever file it concerns.
namespace orvane {

// The operating system's description of an errno value ("No such file or directory").
std::string system_error_text(int error_number);

// A read-only descriptor for the path (retried when interrupted), or the text
// of the failure. A path with a NUL byte is refused without a system call.
std::expected<int, std::string> open_read_only(std::string_view path);

}  // namespace orvane
