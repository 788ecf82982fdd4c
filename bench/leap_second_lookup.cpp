// TAI-UTC lookups in leap-second kernels with many entries: nanoseconds per call.
//
//   leap_second_lookup LEAP_SECONDS_PATH
//
// The kernel is read as it is and with 200,000 and 1,000,000 entries added
// after its last one (one a day from 2030 on, TAI-UTC rising by one second
// each). For each, UTC days spread over 1973-2025 are looked up by the
// kernel's bisection, by a backward linear scan of the same entries (the
// lookup before the bisection), and converted to TDB seconds as a whole.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "time/leap_second_kernel.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using namespace orvane;

constexpr int REPEATS = 5;
double checksum = 0.0;  // keeps the results alive

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Nanoseconds per call, the median of REPEATS passes over the queries.
double per_call(const std::vector<double>& queries, const std::function<double(double)>& call) {
    std::vector<double> times;
    for (int r = 0; r < REPEATS; ++r) {
        const Clock::time_point start = Clock::now();
        for (double query : queries) checksum += call(query);
        const std::chrono::duration<double, std::nano> spent = Clock::now() - start;
        times.push_back(spent.count() / static_cast<double>(queries.size()));
    }
    return median(times);
}

// The lookup as it was: the last entry at or before the day, scanning back
// from the latest.
double linear_delta_at(std::span<const LeapSecondEntry> entries, double utc_jd) {
    for (std::size_t i = entries.size(); i-- > 0;) {
        if (entries[i].utc_jd <= utc_jd) return entries[i].delta_at;
    }
    return entries.front().delta_at;
}

// The kernel's text with `count` daily entries from 2030 January 1 added to DELTET/DELTA_AT.
std::string with_added_entries(std::string text, std::size_t count) {
    static constexpr const char* MONTHS[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                             "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    static constexpr int DAYS[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const std::size_t last = text.find("37, @2017-JAN-1");
    const std::size_t close = text.find(')', last);
    std::string added;
    int year = 2030, month = 1, day = 1;
    for (std::size_t k = 0; k < count; ++k) {
        added += ",\n " + std::to_string(38 + k) + ", @" + std::to_string(year) + "-" + MONTHS[month - 1] + "-" +
                 std::to_string(day);
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        const int length = month == 2 && leap ? 29 : DAYS[month - 1];
        if (++day > length) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
    text.insert(close, added);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s LEAP_SECONDS_PATH\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    const std::string sha256(64, '0');

    std::printf("%9s %9s %14s %14s %10s %16s\n", "entries", "queries", "linear ns", "bisection ns", "speed-up",
                "TDB seconds ns");
    for (std::size_t added : {std::size_t{0}, std::size_t{200000}, std::size_t{1000000}}) {
        auto kernel = LeapSecondKernel::from_text("added.tls", sha256, with_added_entries(text, added));
        if (!kernel) {
            std::fprintf(stderr, "%s\n", kernel.error().message().c_str());
            return 1;
        }
        // Fewer queries for the long scans, so that each pass stays near 0.2 s.
        const std::size_t count = std::clamp<std::size_t>(200000000 / (added + 28), 200, 100000);
        std::vector<double> queries;
        for (std::size_t i = 0; i < count; ++i) {
            queries.push_back(2441683.5 + (2460676.5 - 2441683.5) * (static_cast<double>(i) + 0.5) /
                                              static_cast<double>(count));
        }
        const auto entries = kernel->entries();
        const double linear = per_call(queries, [&](double day) { return linear_delta_at(entries, day); });
        const double bisection = per_call(queries, [&](double day) { return kernel->delta_at(day).value(); });
        const double tdb =
            per_call(queries, [&](double day) { return kernel->tdb_seconds(TimeScale::Utc, day).value(); });
        std::printf("%9zu %9zu %14.1f %14.1f %9.1fx %16.1f\n", entries.size(), count, linear, bisection,
                    linear / bisection, tdb);
    }
    std::printf("(checksum %g)\n", checksum);
    return 0;
}
