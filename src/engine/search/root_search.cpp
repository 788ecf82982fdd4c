#include "engine/search/root_search.hpp"

#include <algorithm>
#include <utility>

namespace orvane {
namespace {

// The zero between a and b (f(a), f(b) of opposite signs): Newton on the
// rate where it lands inside the bracket, else the Illinois variant of
// regula falsi (Dowell & Jarratt 1971, BIT 11, 168).
std::expected<double, OrvaneError> refine_zero(const SearchFunction& function, double a, double fa, double b,
                                               double fb) {
    double day = a - fa * (b - a) / (fb - fa);
    int side = 0;
    for (int iteration = 0; iteration < 100; ++iteration) {
        auto sample = function(day);
        if (!sample) return std::unexpected(std::move(sample.error()));
        const double f = sample->value;
        if (f == 0.0) return day;
        if ((f < 0.0) == (fa < 0.0)) {
            a = day, fa = f;
            if (side == -1) fb /= 2.0;
            side = -1;
        } else {
            b = day, fb = f;
            if (side == 1) fa /= 2.0;
            side = 1;
        }
        double next = day - f / sample->rate;
        if (!std::isfinite(next) || next <= std::min(a, b) || next >= std::max(a, b)) {
            next = a - fa * (b - a) / (fb - fa);
        }
        const double moved = std::abs(next - day);
        day = next;
        if (moved < SEARCH_TOLERANCE_DAYS || std::abs(b - a) < SEARCH_TOLERANCE_DAYS) return day;
    }
    return day;
}

constexpr double GOLDEN = 0.6180339887498949;

// The turn between a and b, the function above (maximum) or below both ends
// at some inner point: golden-section search.
std::expected<SearchExtremum, OrvaneError> refine_extremum(const SearchFunction& function, double a, double b,
                                                           bool maximum) {
    const double sign = maximum ? 1.0 : -1.0;
    double c = b - GOLDEN * (b - a), d = a + GOLDEN * (b - a);
    auto fc = function(c);
    if (!fc) return std::unexpected(std::move(fc.error()));
    auto fd = function(d);
    if (!fd) return std::unexpected(std::move(fd.error()));
    double vc = sign * fc->value, vd = sign * fd->value;
    while (b - a > SEARCH_TOLERANCE_DAYS) {
        if (vc > vd) {
            b = d, d = c, vd = vc;
            c = b - GOLDEN * (b - a);
            auto f = function(c);
            if (!f) return std::unexpected(std::move(f.error()));
            vc = sign * f->value;
        } else {
            a = c, c = d, vc = vd;
            d = a + GOLDEN * (b - a);
            auto f = function(d);
            if (!f) return std::unexpected(std::move(f.error()));
            vd = sign * f->value;
        }
    }
    const double day = (a + b) / 2.0;
    auto f = function(day);
    if (!f) return std::unexpected(std::move(f.error()));
    return SearchExtremum{day, f->value, maximum};
}

// The sample days: start, start + step, ..., end.
std::vector<double> sample_days(double start, double end, double step) {
    std::vector<double> days;
    const auto count = static_cast<std::size_t>(std::ceil((end - start) / step));
    days.reserve(count + 1);
    for (std::size_t i = 0; i < count; ++i) days.push_back(start + static_cast<double>(i) * step);
    days.push_back(end);
    return days;
}

std::expected<void, OrvaneError> check_range(double start, double end, double step) {
    if (!std::isfinite(start) || !std::isfinite(end) || !(end >= start)) {
        return std::unexpected(OrvaneError::invalid_request("an event search needs a finite range with end >= start"));
    }
    if (!(step > 0.0) || (end - start) / step > 1e8) {
        return std::unexpected(OrvaneError::invalid_request("the event search range is too long for its step"));
    }
    return {};
}

}  // namespace

std::expected<std::vector<SearchZero>, OrvaneError> find_zeros(const SearchFunction& function, double start,
                                                               double end, double step, double jump) {
    if (auto valid = check_range(start, end, step); !valid) return std::unexpected(valid.error());
    std::vector<SearchZero> zeros;
    const std::vector<double> days = sample_days(start, end, step);
    double previous_day = days[0];
    auto first = function(previous_day);
    if (!first) return std::unexpected(std::move(first.error()));
    double previous = first->value;
    for (std::size_t i = 1; i < days.size(); ++i) {
        auto sample = function(days[i]);
        if (!sample) return std::unexpected(std::move(sample.error()));
        const double value = sample->value;
        const bool crossed = (previous < 0.0 && value >= 0.0) || (previous >= 0.0 && value < 0.0);
        if (crossed && std::abs(value - previous) < jump) {
            if (value == 0.0) {
                zeros.push_back({days[i], true});
            } else {
                auto day = refine_zero(function, previous_day, previous, days[i], value);
                if (!day) return std::unexpected(std::move(day.error()));
                if (*day >= start && *day <= end) zeros.push_back({*day, value > previous});
            }
        }
        previous_day = days[i];
        previous = value;
    }
    return zeros;
}

std::expected<std::vector<SearchExtremum>, OrvaneError> find_extrema(const SearchFunction& function, double start,
                                                                     double end, double step) {
    if (auto valid = check_range(start, end, step); !valid) return std::unexpected(valid.error());
    std::vector<SearchExtremum> turns;
    const std::vector<double> days = sample_days(start, end, step);
    std::vector<double> values;
    values.reserve(days.size());
    for (double day : days) {
        auto sample = function(day);
        if (!sample) return std::unexpected(std::move(sample.error()));
        values.push_back(sample->value);
    }
    for (std::size_t i = 1; i + 1 < days.size(); ++i) {
        const bool maximum = values[i] > values[i - 1] && values[i] >= values[i + 1];
        const bool minimum = values[i] < values[i - 1] && values[i] <= values[i + 1];
        if (!maximum && !minimum) continue;
        auto turn = refine_extremum(function, days[i - 1], days[i + 1], maximum);
        if (!turn) return std::unexpected(std::move(turn.error()));
        turns.push_back(*turn);
    }
    return turns;
}

}  // namespace orvane
