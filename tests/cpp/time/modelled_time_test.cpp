#include "time/modelled_time.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "core/reference_table.hpp"
#include "time/scratch_directory.hpp"
#include "time/shipped_tables.hpp"

namespace orvane {
namespace {

using testing::SHA256_TEXT;

const std::string DATA = std::string(ORVANE_SOURCE_DIR) + "/data/";

const TimeModel& model() {
    static const TimeModel loaded = [] {
        auto spline = DeltaTSpline::open(DATA + "delta_t_spline.txt", SHA256_TEXT);
        if (!spline) throw std::runtime_error(spline.error().message());
        auto early = EarlyUtcTable::open(DATA + "utc_1960_1972.txt", SHA256_TEXT);
        if (!early) throw std::runtime_error(early.error().message());
        return TimeModel{std::move(*spline), std::move(*early)};
    }();
    return loaded;
}

const LeapSecondKernel& leap_seconds() { return testing::shipped_leap_seconds(); }

const EarthOrientationTable& c04() { return testing::reference_c04(); }

double year_to_tt(double year) { return year * 365.25 + 1721045.0; }

// Value and slope agree on both sides of every join of the model, so UT1
// has no step where one part hands over to the next.
TEST(DeltaTModel, JoinsAreContinuousInValueAndSlope) {
    const DeltaTSpline& spline = model().delta_t;
    const std::optional<MeasuredDeltaTEnds> none;
    const double end = spline.last_year();
    const double joins[] = {spline.first_year() - DELTA_T_PATCH_YEARS, spline.first_year(), end,
                            std::floor((end + DELTA_T_PATCH_YEARS) / 100.0) * 100.0};
    for (double year : joins) {
        const double h = 1e-7;
        const double before = modelled_delta_t(spline, none, year - h), after = modelled_delta_t(spline, none, year + h);
        EXPECT_NEAR(before, after, 1e-4) << year;
        const double slope_before = (before - modelled_delta_t(spline, none, year - 2 * h)) / h;
        const double slope_after = (modelled_delta_t(spline, none, year + 2 * h) - after) / h;
        EXPECT_NEAR(slope_before, slope_after, 1e-3 * std::max(1.0, std::fabs(slope_after))) << year;
    }
}

// With a table, the splines meet the table's first value and the join after
// it starts from its last value and slope.
TEST(DeltaTModel, MeetsTheTableAtBothEnds) {
    const ModelledTime time(leap_seconds(), &c04(), model());
    ASSERT_TRUE(time.measured_ends());
    const MeasuredDeltaTEnds ends = *time.measured_ends();
    EXPECT_NEAR(modelled_delta_t(model().delta_t, ends, ends.first_year - 1e-12), ends.first_seconds, 1e-6);
    EXPECT_NEAR(modelled_delta_t(model().delta_t, ends, ends.last_year + 1e-9), ends.last_seconds, 1e-6);
    const double h = 1e-3;
    const double slope = (modelled_delta_t(model().delta_t, ends, ends.last_year + 2 * h) -
                          modelled_delta_t(model().delta_t, ends, ends.last_year + h)) / h;
    EXPECT_NEAR(slope, ends.last_slope, 1e-3);
    // The C04 table starts in 1962, where the splines give 0.38 s less.
    EXPECT_NEAR(ends.first_seconds - model().delta_t.cubics()[model().delta_t.interval_at(1962.0)].a0, 0.376, 0.01);
}

TEST(EarlyUtc, RatesAndStepsOfTheSixties) {
    const EarlyUtcTable& table = model().early_utc;
    // 1960-01-01: 1.4178180 s + (36934 - 37300) x 0.0012960 s.
    EXPECT_NEAR(*table.tai_minus_utc(2436934.5), 1.417818 - 366 * 0.001296, 1e-12);
    EXPECT_FALSE(table.tai_minus_utc(2436934.5 - 1e-6));
    EXPECT_FALSE(table.tai_minus_utc(2441317.5));
    // 1971-12-31 ends with the 0.107758 s step to the 10 s of 1972.
    EXPECT_NEAR(10.0 - *table.tai_minus_utc(2441317.5 - 1e-9), 0.107758, 1e-6);
}

struct BadTable {
    const char* text;
    std::size_t width;
    const char* fragment;
};

class BadTables : public ::testing::TestWithParam<BadTable> {};

TEST_P(BadTables, AreRefusedNamingTheFault) {
    auto rows = numeric_rows_from_text("table.txt", SHA256_TEXT, GetParam().text, GetParam().width);
    std::string message;
    if (!rows) {
        message = rows.error().message();
    } else {
        if (GetParam().width == 4) {
            auto table = EarlyUtcTable::from_rows(*rows);
            message = table ? "loaded" : table.error().message();
        } else {
            auto spline = DeltaTSpline::from_rows(*rows);
            message = spline ? "loaded" : spline.error().message();
        }
    }
    EXPECT_NE(message.find(GetParam().fragment), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadTables,
    ::testing::Values(BadTable{"# only a comment\n", 4, "holds no rows"},
                      BadTable{"1 2 3\n", 4, "line 1: expected 4 finite numbers"},
                      BadTable{"1 2 3 nan\n", 4, "line 1: expected 4"},
                      BadTable{"1 2 3 4 5\n", 4, "line 1: expected 4"},
                      BadTable{"1 2 3 4\n1 2 3 x\n", 4, "line 2"},
                      BadTable{"5 1 0 0\n4 1 0 0\n", 4, "must increase"},
                      BadTable{"5.5 1 0 0\n6 1 0 0\n", 4, "whole MJD"},
                      BadTable{"5 1 0 0\n", 4, "closing day"},
                      BadTable{"0 10 1 1 1 1\n11 20 1 1 1 1\n", 6, "follow one another"},
                      BadTable{"10 0 1 1 1 1\n", 6, "follow one another"}));

// Each conversion undoes the other, across the model's parts, with and
// without the table.
TEST(ModelledTime, ConversionsRoundTrip) {
    for (const EarthOrientationTable* table : {static_cast<const EarthOrientationTable*>(nullptr), &c04()}) {
        const ModelledTime time(leap_seconds(), table, model());
        for (double year = -1000.0; year <= 3000.0; year += 7.3) {
            const double day = year_to_tt(year);
            EXPECT_NEAR(time.tt_from_utc(time.utc_from_tt(day)), day, 2e-9) << year;
            EXPECT_NEAR(time.tt_from_ut1(time.ut1_from_tt(day)), day, 2e-9) << year;
            EXPECT_NEAR(time.ut1_from_utc(time.utc_from_ut1(day)), day, 2e-9) << year;
        }
    }
}

TEST(ModelledTime, CivilTimeBefore1960IsUniversalTime) {
    const ModelledTime time(leap_seconds(), &c04(), model());
    const double utc = year_to_tt(1900.0);
    EXPECT_EQ(time.ut1_from_utc(utc), utc);
    EXPECT_NEAR((time.tt_from_utc(utc) - utc) * 86400.0, time.modelled_delta_t(time.tt_from_utc(utc)), 5e-5);  // a Julian day's rounding
    EXPECT_EQ(time.ut1_source(utc), Ut1Source::Model);
    const PolarMotion polar = time.polar_motion(utc);
    EXPECT_EQ(polar.x_arcsec, 0.0);
    EXPECT_EQ(polar.y_arcsec, 0.0);
    EXPECT_EQ(time.ut1_source(2450000.5), Ut1Source::Measured);
}

}  // namespace
}  // namespace orvane
