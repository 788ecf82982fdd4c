#pragma once
#include <cstdint>
#include <string_view>

namespace orvane {

enum class TimeScale : std::uint8_t { Utc, Ut1, Tt, Tdb };

// Printed (debug) name: "Utc", "Ut1", "Tt", "Tdb".
constexpr std::string_view name(TimeScale scale) {
    switch (scale) {
        case TimeScale::Utc: return "Utc";
        case TimeScale::Ut1: return "Ut1";
        case TimeScale::Tt: return "Tt";
        case TimeScale::Tdb: return "Tdb";
    }
    return "Tdb";
}

// A Julian day travelling with its time scale. Not validated here.
struct Instant {
    double julian_day = 0.0;
    TimeScale time_scale = TimeScale::Tdb;
};

// Inclusive coverage in Julian days of one time scale.
struct DateRange {
    double start_julian_day = 0.0;
    double end_julian_day = 0.0;
    TimeScale time_scale = TimeScale::Tdb;
};

}  // namespace orvane
