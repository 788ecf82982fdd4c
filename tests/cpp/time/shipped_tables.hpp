#pragma once
// The time tables the tests read once: the leap-second kernel shipped in
// data/ and the IERS C04 table the reference scripts located.
#include <fstream>
#include <stdexcept>
#include <string>

#include "core/reference_table.hpp"
#include "time/earth_orientation_table.hpp"
#include "time/leap_second_kernel.hpp"

namespace orvane::testing {

inline const std::string SHIPPED_LEAP_SECONDS = std::string(ORVANE_SOURCE_DIR) + "/data/leap_seconds.tls";

inline const LeapSecondKernel& shipped_leap_seconds() {
    static const LeapSecondKernel loaded = [] {
        auto opened = LeapSecondKernel::open(SHIPPED_LEAP_SECONDS, SHA256_TEXT);
        if (!opened) throw std::runtime_error(opened.error().message());
        return std::move(*opened);
    }();
    return loaded;
}

inline const EarthOrientationTable& reference_c04() {
    static const EarthOrientationTable loaded = [] {
        std::ifstream in(std::string(ORVANE_REFERENCE_DIR) + "/eop_c04_path.txt");
        std::string path;
        std::getline(in, path);
        auto opened = EarthOrientationTable::open(path, SHA256_TEXT);
        if (!opened) throw std::runtime_error(opened.error().message());
        return std::move(*opened);
    }();
    return loaded;
}

}  // namespace orvane::testing
