#pragma once
// The readers take paths: each fuzz input is written to one scratch file of
// the process, replaced for every input, and read back through the same
// opening code as any user's file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace orvane::fuzz {

inline const std::string& write_input(const std::uint8_t* data, std::size_t size) {
    static const std::string path = [] {
        const char* directory = std::getenv("TMPDIR");
        return std::string(directory != nullptr ? directory : "/tmp") + "/orvane-fuzz-" + std::to_string(::getpid());
    }();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) std::abort();
    return path;
}

inline const std::string ANY_SHA256(64, 'a');

}  // namespace orvane::fuzz
