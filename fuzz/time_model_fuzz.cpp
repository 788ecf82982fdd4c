// Reading the time model's two tables (Delta T splines, UTC of 1960 to 1972)
// from one input, split at its first blank line, and evaluating them.
#include <string_view>

#include "input_file.hpp"
#include "time/delta_t_model.hpp"
#include "time/early_utc.hpp"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t split = std::min(text.find("\n\n"), text.size());
    const std::string_view first = text.substr(0, split), second = text.substr(std::min(split + 2, text.size()));
    auto spline = DeltaTSpline::open(
        fuzz::write_input(reinterpret_cast<const std::uint8_t*>(first.data()), first.size()), fuzz::ANY_SHA256);
    if (spline) {
        const MeasuredDeltaTEnds ends{1973.0, 43.4, 2027.9, 69.4, 0.16};
        for (double year : {-1e6, spline->first_year(), 1973.0, 2000.0, spline->last_year(), 1e6}) {
            (void)modelled_delta_t(*spline, std::nullopt, year);
            (void)modelled_delta_t(*spline, ends, year);
        }
    }
    auto early = EarlyUtcTable::open(
        fuzz::write_input(reinterpret_cast<const std::uint8_t*>(second.data()), second.size()), fuzz::ANY_SHA256);
    if (early) {
        for (double day : {early->first_utc_julian_day(), early->end_utc_julian_day() - 0.5, 2440000.5}) {
            (void)early->tai_minus_utc(day);
        }
    }
    return 0;
}
