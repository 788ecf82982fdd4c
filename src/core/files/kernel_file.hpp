#pragma once
#include <optional>
#include <string>
#include <string_view>

// The two checks every kernel file passes through: its file name, recorded as
// provenance, and the form of the caller's SHA-256 checksum.
namespace orvane {

// The last normal component of a path (trailing separators and a trailing "."
// ignored); absent for "", "/", ".", a path ending in "..", or a name that is
// not valid UTF-8.
std::optional<std::string> utf8_file_name(std::string_view path);

inline constexpr std::string_view KERNEL_SHA256_FORM_ERROR =
    "kernel SHA-256 must contain exactly 64 hexadecimal characters";
inline constexpr std::string_view KERNEL_FILE_NAME_ERROR = "kernel path has no UTF-8 filename";

// Exactly 64 ASCII hexadecimal digits.
bool is_sha256_text(std::string_view text);

// The checksum with A-F lowered to a-f.
std::string lowercase_sha256(std::string_view text);

}  // namespace orvane
