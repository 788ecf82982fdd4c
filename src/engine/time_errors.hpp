#pragma once
#include <string>
#include <string_view>

#include "core/errors.hpp"
#include "time/earth_orientation_table.hpp"
#include "time/leap_second_kernel.hpp"

// The engine's error for a failed time conversion: the conversion's text, and
// for a day outside the Earth-orientation table the day and the table's
// bounds, carried as data.
namespace orvane {

inline OrvaneError time_error(const EopError& error) {
    if (error.kind == EopError::Kind::OutsideCoverage) {
        return OrvaneError::outside_eop_coverage(error.message(), error.utc_jd, error.first_utc_jd,
                                                 error.last_utc_jd);
    }
    return OrvaneError::time_conversion(error.message());
}

inline OrvaneError time_error(const UtcConversionError& error) {
    if (error.kind == UtcConversionError::Kind::Orientation) return time_error(error.orientation);
    return OrvaneError::time_conversion(error.message());
}

// Any other error of the time library, by its text.
template <class Error>
OrvaneError time_error(const Error& error) {
    return OrvaneError::time_conversion(error.message());
}

// The error of a computation that turns the Earth under the sky (UT1 from
// UTC) on an engine lacking a time kernel it needs: names the computation
// and the missing kernels, whatever origin the caller asked for.
inline OrvaneError missing_time_kernels(std::string_view computation, bool has_leap_seconds,
                                        bool has_earth_orientation) {
    std::string missing = !has_leap_seconds && !has_earth_orientation
                              ? "a leap-second kernel and an Earth orientation table (DUT1)"
                          : !has_leap_seconds ? "a leap-second kernel"
                                              : "an Earth orientation table (DUT1)";
    return OrvaneError::time_conversion(std::string(computation) + " needs " + missing +
                                        " for the Earth's rotation (UT1); attach them with "
                                        "SpkOrvane::with_leap_second_kernel and SpkOrvane::with_eop");
}

}  // namespace orvane
