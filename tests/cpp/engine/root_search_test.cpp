// The event search on functions of known roots and turns.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/search/root_search.hpp"

namespace orvane {
namespace {

constexpr double PI = std::numbers::pi;

// sin(2πt / period), with or without its rate.
SearchFunction sine(double period, bool with_rate, int* calls = nullptr) {
    return [=](double t) -> std::expected<SearchSample, OrvaneError> {
        if (calls != nullptr) ++*calls;
        const double w = 2.0 * PI / period;
        SearchSample s{std::sin(w * t)};
        if (with_rate) s.rate = w * std::cos(w * t);
        return s;
    };
}

TEST(RootSearch, FindsEveryZeroInOrderToAMillisecondWithOrWithoutRate) {
    for (bool with_rate : {true, false}) {
        int calls = 0;
        auto zeros = find_zeros(sine(10.0, with_rate, &calls), 0.3, 40.3, 1.0);
        ASSERT_TRUE(zeros.has_value());
        ASSERT_EQ(zeros->size(), 8u);  // 5, 10, ..., 40
        for (std::size_t i = 0; i < zeros->size(); ++i) {
            EXPECT_NEAR((*zeros)[i].julian_day, 5.0 * static_cast<double>(i + 1), SEARCH_TOLERANCE_DAYS);
            EXPECT_EQ((*zeros)[i].rising, i % 2 == 1);
        }
        EXPECT_LT(calls, 41 + 8 * 12);
    }
}

TEST(RootSearch, AWrappedAngleLeapIsNoZero) {
    // An angle growing 30° a day, wrapped to (−180, 180]: zeros at 0 mod 360 only.
    SearchFunction angle = [](double t) -> std::expected<SearchSample, OrvaneError> {
        double a = std::remainder(30.0 * t, 360.0);
        return SearchSample{a, 30.0};
    };
    auto zeros = find_zeros(angle, 1.0, 30.0, 1.0, 180.0);
    ASSERT_TRUE(zeros.has_value());
    ASSERT_EQ(zeros->size(), 2u);
    EXPECT_NEAR((*zeros)[0].julian_day, 12.0, SEARCH_TOLERANCE_DAYS);
    EXPECT_NEAR((*zeros)[1].julian_day, 24.0, SEARCH_TOLERANCE_DAYS);
}

TEST(RootSearch, FindsMaximaAndMinima) {
    auto turns = find_extrema(sine(8.0, false), 0.1, 16.1, 0.5);
    ASSERT_TRUE(turns.has_value());
    ASSERT_EQ(turns->size(), 4u);  // 2 max, 6 min, 10 max, 14 min
    for (std::size_t i = 0; i < turns->size(); ++i) {
        EXPECT_NEAR((*turns)[i].julian_day, 2.0 + 4.0 * static_cast<double>(i), 2 * SEARCH_TOLERANCE_DAYS);
        EXPECT_EQ((*turns)[i].maximum, i % 2 == 0);
    }
}

TEST(RootSearch, RefusesBadRangesAndPassesErrorsOn) {
    EXPECT_FALSE(find_zeros(sine(1.0, true), 2.0, 1.0, 0.1).has_value());
    EXPECT_FALSE(find_zeros(sine(1.0, true), 0.0, NAN, 0.1).has_value());
    EXPECT_FALSE(find_extrema(sine(1.0, true), 0.0, 1e12, 1e-3).has_value());
    SearchFunction failing = [](double t) -> std::expected<SearchSample, OrvaneError> {
        if (t > 3.0) return std::unexpected(OrvaneError::invalid_request("outside"));
        return SearchSample{t - 5.0};
    };
    auto failed = find_zeros(failing, 0.0, 10.0, 1.0);
    ASSERT_FALSE(failed.has_value());
    auto nothing = find_zeros(sine(100.0, true), 1.0, 1.0, 1.0);
    ASSERT_TRUE(nothing.has_value());
    EXPECT_TRUE(nothing->empty());
}

}  // namespace
}  // namespace orvane
