#pragma once
// The engine the event tests search with: DE421 with the repository's
// leap-second kernel and the IERS C04 table, paths from events_paths.csv.
#include <gtest/gtest.h>

#include <string>

#include "core/reference_table.hpp"
#include "engine/engine.hpp"

namespace orvane::testing {

inline std::string events_data_path(const std::string& name) {
    ReferenceTable paths("events_paths.csv");
    for (std::size_t row = 0; row < paths.size(); ++row) {
        if (paths.text(row, "name") == name) return paths.text(row, "path");
    }
    ADD_FAILURE() << "no path for " << name;
    return {};
}

inline const std::string& any_sha256() {
    static const std::string text(64, 'e');
    return text;
}

// DE421 alone, without time kernels.
inline SpkOrvane open_de421_only() {
    auto engine = SpkOrvane::open(events_data_path("de421"), any_sha256());
    if (!engine) {
        ADD_FAILURE() << engine.error().message();
        std::abort();
    }
    return std::move(*engine);
}

// DE421 with both time kernels, opened once for the test binary.
inline const SpkOrvane& de421_with_time_kernels() {
    static const SpkOrvane engine = [] {
        auto leap = LeapSecondKernel::open(events_data_path("leap_seconds"), any_sha256());
        auto table = EarthOrientationTable::open(events_data_path("eop_c04"), any_sha256());
        if (!leap || !table) {
            ADD_FAILURE() << "time kernels did not open";
            std::abort();
        }
        return SpkOrvane::with_time_kernels(open_de421_only(), std::move(*leap), std::move(*table));
    }();
    return engine;
}

}  // namespace orvane::testing
