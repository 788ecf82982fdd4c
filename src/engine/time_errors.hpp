#pragma once
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

}  // namespace orvane
