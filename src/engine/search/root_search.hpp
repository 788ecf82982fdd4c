#pragma once
#include <cmath>
#include <expected>
#include <functional>
#include <limits>
#include <vector>

#include "core/errors.hpp"

// The one search of every event: a function of time sampled at a step suited
// to it, each sign change (or each turn of its slope) bracketed between two
// samples, then refined inside the bracket to a millisecond.
namespace orvane {

// A function's value at a day, with its rate per day when it is known
// (otherwise NaN: the refinement then steps by secants).
struct SearchSample {
    double value = 0.0;
    double rate = std::numeric_limits<double>::quiet_NaN();
};

using SearchFunction = std::function<std::expected<SearchSample, OrvaneError>(double julian_day)>;

// One millisecond in days: the refinement stops below it.
inline constexpr double SEARCH_TOLERANCE_DAYS = 1e-3 / 86400.0;

// A zero of the function: its day and whether the value rises through it.
struct SearchZero {
    double julian_day = 0.0;
    bool rising = true;
};

// Every zero of the function in [start, end], in order. The function is
// sampled every `step` days (the last sample at end); a change of sign
// between neighbours whose values differ by less than `jump` (a wrapped
// angle leaps by its whole period where it wraps, which is no zero) is
// bracketed and refined by Newton steps on the rate, a step that would leave
// the bracket replaced by a regula falsi (Illinois) step, until a step is
// below a millisecond. Zeros closer together than the step can be missed.
std::expected<std::vector<SearchZero>, OrvaneError> find_zeros(const SearchFunction& function, double start,
                                                               double end, double step, double jump = INFINITY);

// A turn of the function: its day, value and whether it is a maximum.
struct SearchExtremum {
    double julian_day = 0.0;
    double value = 0.0;
    bool maximum = true;
};

// Every local maximum and minimum of the function in (start, end), in order:
// a sample above (below) both neighbours is bracketed by them and refined by
// golden-section steps to a millisecond. Turns closer together than the
// step can be missed.
std::expected<std::vector<SearchExtremum>, OrvaneError> find_extrema(const SearchFunction& function, double start,
                                                                     double end, double step);

}  // namespace orvane
