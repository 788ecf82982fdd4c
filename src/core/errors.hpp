#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/body.hpp"
#include "core/time_scale.hpp"

namespace orvane {

// Geometric failures of the core functions.
enum class CoordinateError : std::uint8_t {
    NonFiniteState,
    UndefinedAtOrigin,
    UndefinedOnZAxis,
    InvalidLatitude,
    UndefinedHouseCusps,
    SunDeclinationNeeded,
    InvalidSunDeclination,
};
std::string_view message(CoordinateError error);

// Failure to convert an instant: a non-finite day, or a scale the conversion
// cannot start from.
struct TimeConversionError {
    enum class Kind : std::uint8_t { NonFiniteJulianDay, UnsupportedScale };
    Kind kind = Kind::NonFiniteJulianDay;
    TimeScale scale = TimeScale::Tdb;  // the source scale of UnsupportedScale

    static TimeConversionError non_finite_julian_day() { return {Kind::NonFiniteJulianDay, TimeScale::Tdb}; }
    static TimeConversionError unsupported_scale(TimeScale scale) { return {Kind::UnsupportedScale, scale}; }
    std::string message() const;
};

// The error of every engine operation.
struct OrvaneError {
    enum class Kind : std::uint8_t { UnsupportedBody, OutOfRange, InvalidRequest, TimeConversion, Backend };
    Kind kind = Kind::Backend;
    Body body = Body::Sun;           // UnsupportedBody
    double julian_day = 0.0;         // OutOfRange: the caller's day
    double start = 0.0, end = 0.0;   // OutOfRange: the supported range
    TimeScale scale = TimeScale::Tdb;  // OutOfRange: the range's scale
    std::string text;                // InvalidRequest, TimeConversion, Backend
    // What the failure is about, beyond its kind, when the caller can act on
    // it: a UTC day outside the Earth-orientation table (julian_day, start,
    // end: UTC Julian days), a house system without cusps at the latitude.
    enum class Subject : std::uint8_t { None, OutsideEopCoverage, UndefinedHouseCusps };
    Subject subject = Subject::None;

    static OrvaneError unsupported_body(Body body);
    static OrvaneError out_of_range(double julian_day, double start, double end, TimeScale scale);
    static OrvaneError invalid_request(std::string text);
    static OrvaneError invalid_request(CoordinateError error);
    static OrvaneError time_conversion(std::string text);
    // A TimeConversion error about a UTC day outside the Earth-orientation table.
    static OrvaneError outside_eop_coverage(std::string text, double utc_julian_day, double first_utc_julian_day,
                                            double last_utc_julian_day);
    static OrvaneError backend(std::string text);
    static OrvaneError backend(CoordinateError error) { return backend(std::string(orvane::message(error))); }
    // A Backend error: a state or position of the body at the TDB Julian day
    // that is not finite ("non-finite state of Mars at TDB Julian day 2451545.0", the day in
    // its shortest round-trip form).
    static OrvaneError non_finite_state(Body body, double tdb_julian_day);
    // The same for a body by NAIF id: its name when it is one of the eleven.
    static OrvaneError non_finite_state(std::int32_t target, double tdb_julian_day);

    std::string message() const;
};

}  // namespace orvane
