#include "time/leap_second_kernel.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <fstream>
#include <limits>

#include "core/constants.hpp"
#include "core/reference_table.hpp"
#include "core/text/text_forms.hpp"
#include "time/scratch_directory.hpp"
#include "time/shipped_tables.hpp"

namespace orvane {
namespace {

using testing::ReferenceTable;
using testing::SHA256_TEXT;
using testing::ScratchDirectory;

const std::string& KERNEL_PATH = testing::SHIPPED_LEAP_SECONDS;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

const LeapSecondKernel& kernel() { return testing::shipped_leap_seconds(); }

const EarthOrientationTable& eop() { return testing::reference_c04(); }

double ulp(double x) { return std::nextafter(std::fabs(x), INF) - std::fabs(x); }

std::string load_error(std::string_view text, std::string_view sha256 = SHA256_TEXT) {
    auto kernel = LeapSecondKernel::from_text("crafted.tls", sha256, text);
    return kernel ? std::string("loaded") : kernel.error().message();
}

// The repository's kernel with one line replaced.
std::string real_kernel_with(std::string_view old_line, std::string_view new_line) {
    std::string text = testing::read_file(KERNEL_PATH);
    const std::size_t at = text.find(old_line);
    EXPECT_NE(at, std::string::npos) << old_line;
    if (at != std::string::npos) text.replace(at, old_line.size(), new_line);
    return text;
}

TEST(LeapSecondKernelLoading, ReadsTheRepositoryKernel) {
    const LeapSecondKernel& lsk = kernel();
    EXPECT_EQ(lsk.file_name(), "leap_seconds.tls");
    ASSERT_EQ(lsk.entries().size(), 28u);
    EXPECT_EQ(lsk.entries().front().delta_at, 10.0);
    EXPECT_EQ(lsk.entries().front().utc_jd, 2441317.5);
    EXPECT_EQ(lsk.entries().back().delta_at, 37.0);
    EXPECT_EQ(lsk.entries().back().utc_jd, 2457754.5);
    EXPECT_EQ(lsk.delta_t_a(), 32.184);
    EXPECT_EQ(lsk.tdb_tt_constants().k, 1.657e-3);
    EXPECT_EQ(lsk.tdb_tt_constants().eb, 1.671e-2);
    EXPECT_EQ(lsk.tdb_tt_constants().m0, 6.239996);
    EXPECT_EQ(lsk.tdb_tt_constants().m1, 1.99096871e-7);
}

TEST(LeapSecondKernelLoading, ChecksumIsCheckedAfterReadingAndStoredLowerCase) {
    auto upper = LeapSecondKernel::open(KERNEL_PATH, std::string(32, 'A') + std::string(32, '0'));
    ASSERT_TRUE(upper.has_value());
    EXPECT_EQ(upper->sha256(), std::string(32, 'a') + std::string(32, '0'));

    const std::string checksum_message = "leap-second kernel SHA-256 must contain exactly 64 hexadecimal characters";
    for (std::string bad : {std::string(63, 'a'), std::string(65, 'a'), std::string(63, 'a') + "g", std::string()}) {
        auto opened = LeapSecondKernel::open(KERNEL_PATH, bad);
        ASSERT_FALSE(opened.has_value());
        EXPECT_EQ(opened.error().message(), checksum_message);
    }
    // The file is read before the checksum is examined.
    ScratchDirectory dir;
    auto missing = LeapSecondKernel::open(dir.path() + "/absent.tls", "xyz");
    ASSERT_FALSE(missing.has_value());
    EXPECT_EQ(missing.error().message(), "failed to read leap-second kernel: No such file or directory");
}

TEST(LeapSecondKernelLoading, UnreadableFilesAndNames) {
    ScratchDirectory dir;
    std::string text = testing::read_file(KERNEL_PATH);
    const std::string not_utf8 = dir.write("latin1.tls", text + "\n\xE9t\xE9\n");
    EXPECT_EQ(LeapSecondKernel::open(not_utf8, SHA256_TEXT).error().message(),
              "failed to read leap-second kernel: stream did not contain valid UTF-8");
    EXPECT_EQ(LeapSecondKernel::open(dir.path(), SHA256_TEXT).error().message(),
              "failed to read leap-second kernel: Is a directory");
    for (std::string bad : {std::string(), std::string("/"), dir.path() + "/..", dir.path() + "/\xFF.tls"}) {
        EXPECT_EQ(LeapSecondKernel::open(bad, SHA256_TEXT).error().message(),
                  "leap-second kernel path has no UTF-8 filename")
            << bad;
    }
    // A kernel indented and separated with Unicode White_Space loads the same.
    std::string spaced;
    for (char c : text) spaced += (c == ' ') ? std::string("\xE3\x80\x80") : std::string(1, c);
    auto opened = LeapSecondKernel::open(dir.write("spaced.tls", spaced), SHA256_TEXT);
    ASSERT_TRUE(opened.has_value()) << opened.error().message();
    EXPECT_EQ(opened->entries().size(), 28u);
    EXPECT_EQ(opened->entries().back().utc_jd, 2457754.5);
}

TEST(LeapSecondKernelLoading, RefusesBadContentWithTheFirstError) {
    EXPECT_EQ(load_error("KPL/LSK\nDELTET/K = 1\n"), "leap-second kernel has no \\begindata section");
    EXPECT_EQ(load_error(real_kernel_with("DELTET/EB        =    1.671D-2", "")),
              "leap-second kernel is missing required keyword DELTET/EB");
    EXPECT_EQ(load_error(real_kernel_with("DELTET/DELTA_T_A =   32.184", "DELTET/DELTA_T_A = ( 32.184 1 )")),
              "invalid value for DELTET/DELTA_T_A: expected a single scalar value");
    EXPECT_EQ(load_error(real_kernel_with("1.657D-3", "1.657X-3")),
              "invalid value for DELTET/K: value is not a valid number");
    EXPECT_EQ(load_error(real_kernel_with("(  6.239996D0   1.99096871D-7 )", "( 6.239996D0 )")),
              "invalid value for DELTET/M: expected exactly two values (M0 and M1)");
    EXPECT_EQ(load_error(real_kernel_with("(  6.239996D0   1.99096871D-7 )", "( M0 1 )")),
              "invalid value for DELTET/M: M0 is not a valid number");
    EXPECT_EQ(load_error(real_kernel_with("(  6.239996D0   1.99096871D-7 )", "( 1 M1 )")),
              "invalid value for DELTET/M: M1 is not a valid number");
    EXPECT_EQ(load_error(real_kernel_with("37, @2017-JAN-1 )", "37 )")),
              "invalid value for DELTET/DELTA_AT: expected a non-empty sequence of (delta, date) pairs");
    EXPECT_EQ(load_error("\\begindata\nDELTET/DELTA_T_A = 32.184\nDELTET/K = 1.657D-3\nDELTET/EB = 1.671D-2\n"
                         "DELTET/M = ( 6.239996D0 1.99096871D-7 )\nDELTET/DELTA_AT = ( )\n"),
              "invalid value for DELTET/DELTA_AT: expected a non-empty sequence of (delta, date) pairs");
    EXPECT_EQ(load_error("\\begindata\nDELTET/DELTA_T_A = 32.184\nDELTET/K = 1.657D-3\nDELTET/EB = 1.671D-2\n"
                         "DELTET/M = ( 6.239996D0 1.99096871D-7 )\nDELTET/DELTA_AT = ( 10, @1972-JAN-1 )\n"),
              "loaded");
    EXPECT_EQ(load_error(real_kernel_with("11, @1972-JUL-1", "ELEVEN, @1972-JUL-1")),
              "invalid value for DELTET/DELTA_AT: delta value is not a valid number");
    EXPECT_EQ(load_error(real_kernel_with("11, @1972-JUL-1", "11, @1972-JUL-1-12:00")),
              "invalid NAIF date literal \"@1972-JUL-1-12:00\"");
    EXPECT_EQ(load_error(real_kernel_with("11, @1972-JUL-1", "11, @1972-JAN-1")),
              "DELTET/DELTA_AT entries must be strictly ascending in effective date");
    EXPECT_EQ(load_error(real_kernel_with("11, @1972-JUL-1", "11, @1971-JUL-1")),
              "DELTET/DELTA_AT entries must be strictly ascending in effective date");
}

TEST(LeapSecondKernelLoading, RefusesNonFiniteValues) {
    // Read as numbers, infinity and NaN would poison every conversion.
    EXPECT_EQ(load_error(real_kernel_with("1.657D-3", "NaN")),
              "invalid value for DELTET/K: value is not a valid number");
    EXPECT_EQ(load_error(real_kernel_with("=   32.184", "= inf")),
              "invalid value for DELTET/DELTA_T_A: value is not a valid number");
    EXPECT_EQ(load_error(real_kernel_with("1.671D-2", "1D999")),
              "invalid value for DELTET/EB: value is not a valid number");
    EXPECT_EQ(load_error(real_kernel_with("(  6.239996D0   1.99096871D-7 )", "( nan 1 )")),
              "invalid value for DELTET/M: M0 is not a valid number");
    EXPECT_EQ(load_error(real_kernel_with("(  6.239996D0   1.99096871D-7 )", "( 1 -infinity )")),
              "invalid value for DELTET/M: M1 is not a valid number");
    EXPECT_EQ(load_error(real_kernel_with("11, @1972-JUL-1", "nan, @1972-JUL-1")),
              "invalid value for DELTET/DELTA_AT: delta value is not a valid number");
}

TEST(LeapSecondConversions, UtcAgreesWithSpice) {
    ReferenceTable table("utc_instants.csv");
    ASSERT_GE(table.size(), 1000u);
    double worst_tdb = 0.0, worst_tt = 0.0;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const double jd = table.number(i, "jd");
        ASSERT_EQ(jd - table.number(i, "day_jd"), table.number(i, "k") / 1048576.0);  // exact instants
        const double tdb_ref = table.number(i, "tdb_seconds");
        const double tt_ref = table.number(i, "tt_seconds");

        auto tdb = kernel().tdb_seconds(TimeScale::Utc, jd);
        ASSERT_TRUE(tdb.has_value()) << table.text(i, "utc");
        EXPECT_NEAR(*tdb, tdb_ref, 1e-6) << table.text(i, "utc");
        worst_tdb = std::max(worst_tdb, std::fabs(*tdb - tdb_ref));

        auto tt_seconds = kernel().tt_seconds_from_utc(jd);
        EXPECT_NEAR(tt_seconds.value(), tt_ref, 1e-6) << table.text(i, "utc");
        worst_tt = std::max(worst_tt, std::fabs(*tt_seconds - tt_ref));

        // A TT Julian day resolves only ulp(jd) = 4.7e-10 day (40 microseconds).
        auto tt = kernel().tt_julian_day(TimeScale::Utc, nullptr, jd);
        EXPECT_NEAR(tt.value(), tt_ref / SECONDS_PER_DAY + J2000_JULIAN_DAY, ulp(jd)) << table.text(i, "utc");

        // And back: TT and TDB Julian days to UTC. At a leap-second midnight the
        // rounding of SPICE's TDB to a Julian day can put it inside the
        // inserted second, which maps one second on; those rows are skipped.
        EXPECT_NEAR(kernel().utc_julian_day(TimeScale::Tt, nullptr, *tt).value(), jd, 2 * ulp(jd));
        if (table.number(i, "k") != 0.0) {
            const double tdb_jd = tdb_ref / SECONDS_PER_DAY + J2000_JULIAN_DAY;
            EXPECT_NEAR(kernel().utc_julian_day(TimeScale::Tdb, nullptr, tdb_jd).value(), jd, 3 * ulp(jd));
        }
    }
    RecordProperty("worst_tdb_seconds_difference", debug_float(worst_tdb));
    RecordProperty("worst_tt_seconds_difference", debug_float(worst_tt));
}

TEST(LeapSecondConversions, TtAndTdbAgreeWithSpice) {
    ReferenceTable table("tt_tdb.csv");
    ASSERT_GE(table.size(), 500u);
    const TdbTtConstants& c = kernel().tdb_tt_constants();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const double jd = table.number(i, "jd");
        const double seconds = table.number(i, "seconds");
        const double periodic = table.number(i, "periodic_term");
        // Each result carries its own rounding of half an ulp; below 2**22 s
        // that is under 5e-10 s, and the offsets themselves carry none.
        const double tolerance = std::max(1e-9, ulp(seconds));

        const double tdb = kernel().tdb_seconds(TimeScale::Tt, jd).value();
        EXPECT_NEAR(tdb, table.number(i, "tdb_from_tt"), tolerance) << jd;
        EXPECT_NEAR(tt_seconds_from_tdb_seconds(c, seconds), table.number(i, "tt_from_tdb"), tolerance) << jd;
        // The offset alone, the same in both directions (SPICE takes the mean
        // anomaly at the epoch given; ours refines it, a 1e-12 s difference).
        EXPECT_NEAR(tdb_minus_tt(c, seconds), periodic, 1e-9) << jd;
        EXPECT_NEAR(kernel().tt_julian_day(TimeScale::Tdb, nullptr, jd).value(),
                    table.number(i, "tt_from_tdb") / SECONDS_PER_DAY + J2000_JULIAN_DAY, ulp(jd));

        // Without a kernel the same standard constants apply.
        EXPECT_EQ(tdb_seconds_without_kernel(TimeScale::Tt, jd).value(), tdb);
    }
    EXPECT_NEAR(tdb_minus_tt(c, 0.0), -7.2737e-5, 5e-10);
}

TEST(LeapSecondConversions, OffsetStepsAtEachEntryDate) {
    const auto entries = kernel().entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const double date = entries[i].utc_jd;
        EXPECT_EQ(kernel().delta_at(date).value(), entries[i].delta_at);
        EXPECT_EQ(kernel().tt_julian_day(TimeScale::Utc, nullptr, date).value(),
                  date + (entries[i].delta_at + 32.184) / SECONDS_PER_DAY);
        if (i > 0) {
            EXPECT_EQ(kernel().delta_at(std::nextafter(date, 0.0)).value(), entries[i - 1].delta_at);
        }
    }
    EXPECT_EQ(kernel().tt_julian_day(TimeScale::Utc, nullptr, 2451544.5).value(), 2451544.5 + 64.184 / 86400.0);
    EXPECT_EQ(kernel().delta_at(2500000.5).value(), 37.0);  // after the last entry, indefinitely

    const double before = std::nextafter(2441317.5, 0.0);
    const std::string message = "UTC Julian day " + plain_float(before) +
                                " precedes the kernel's earliest leap-second entry (2441317.5); the offset is not "
                                "extrapolated";
    EXPECT_EQ(kernel().tdb_seconds(TimeScale::Utc, before).error().message(), message);
    EXPECT_EQ(kernel().tt_julian_day(TimeScale::Utc, nullptr, 2441317).error().message(),
              "UTC Julian day 2441317 precedes the kernel's earliest leap-second entry (2441317.5); the offset is not "
              "extrapolated");
    // TT before the table fails too, naming the first estimate (TT less the latest offsets).
    const double early_tt = 2441317.5 + 42.0 / 86400.0;
    EXPECT_EQ(kernel().utc_julian_day(TimeScale::Tt, nullptr, early_tt).error().message(),
              "UTC Julian day " + plain_float(early_tt - (37 + 32.184) / 86400) +
                  " precedes the kernel's earliest leap-second entry (2441317.5); the offset is not extrapolated");
    // But TT of the table's first seconds converts, though the latest offset
    // would overshoot to before the table.
    for (double second : {0.0, 1.0, 26.5, 27.0, 30.0}) {
        const double utc = 2441317.5 + second / 86400.0;
        const double tt = kernel().tt_julian_day(TimeScale::Utc, nullptr, utc).value();
        EXPECT_NEAR(kernel().utc_julian_day(TimeScale::Tt, nullptr, tt).value(), utc, 1e-9) << second;
    }
}

TEST(LeapSecondConversions, TtInsideALeapSecondGoesToTheFirstSecondOfTheNewDay) {
    const auto entries = kernel().entries();
    const double one_second = 1.0 / SECONDS_PER_DAY;
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const double midnight = entries[i].utc_jd;
        // TT of 23:59:60.0 is midnight + (old offset + 32.184) s.
        const double leap_start_tt = midnight + (entries[i - 1].delta_at + 32.184) / SECONDS_PER_DAY;
        for (double f : {0.01, 0.25, 0.5, 0.75, 0.99}) {
            const double inside = leap_start_tt + f * one_second;
            const double utc = kernel().utc_julian_day(TimeScale::Tt, nullptr, inside).value();
            EXPECT_GE(utc, midnight) << midnight << " " << f;
            EXPECT_LT(utc, midnight + one_second) << midnight << " " << f;
            EXPECT_NEAR(utc, midnight + f * one_second, 1e-9);
            // The TT instant one second later maps to the same UTC.
            EXPECT_NEAR(kernel().utc_julian_day(TimeScale::Tt, nullptr, inside + one_second).value(), utc, 1e-9);
        }
        // Just before the leap second: still the old day.
        const double before =
            kernel().utc_julian_day(TimeScale::Tt, nullptr, leap_start_tt - 0.5 * one_second).value();
        EXPECT_NEAR(before, midnight - 0.5 * one_second, 1e-9);
    }
}

TEST(LeapSecondConversions, ScalesWithoutWork) {
    const double jd = 2455000.123;
    EXPECT_EQ(kernel().tt_julian_day(TimeScale::Tt, nullptr, jd).value(), jd);
    EXPECT_EQ(kernel().tdb_seconds(TimeScale::Tdb, jd).value(), (jd - 2451545.0) * 86400.0);
    EXPECT_EQ(kernel().tdb_seconds(TimeScale::Tdb, 2400000.0).value(), (2400000.0 - 2451545.0) * 86400.0);
    EXPECT_EQ(kernel().utc_julian_day(TimeScale::Utc, nullptr, jd).value(), jd);
    EXPECT_EQ(kernel().ut1_julian_day(TimeScale::Ut1, eop(), 1e7).value(), 1e7);  // no table lookup
}

TEST(LeapSecondConversions, Ut1NeedsTheOrientationTable) {
    const std::string missing = "UT1 requires an Earth orientation table (DUT1); attach one with SpkOrvane::with_eop";
    EXPECT_EQ(kernel().tt_julian_day(TimeScale::Ut1, nullptr, 2455000.5).error().message(), missing);
    EXPECT_EQ(kernel().utc_julian_day(TimeScale::Ut1, nullptr, 2455000.5).error().message(), missing);
    EXPECT_EQ(kernel().tdb_seconds(TimeScale::Ut1, 2455000.5).error().message(),
              "conversion from Ut1 to TDB is not implemented");

    // With the table, UT1 goes through UTC.
    const double ut1 = 2455000.25;
    const double utc = eop().utc_julian_day_from_ut1(ut1).value();
    EXPECT_EQ(kernel().tt_julian_day(TimeScale::Ut1, &eop(), ut1).value(),
              kernel().tt_julian_day(TimeScale::Utc, nullptr, utc).value());
    EXPECT_EQ(kernel().utc_julian_day(TimeScale::Ut1, &eop(), ut1).value(), utc);
    EXPECT_EQ(kernel().tdb_seconds_with_eop(TimeScale::Ut1, eop(), ut1).value(),
              kernel().tdb_seconds(TimeScale::Utc, utc).value());
    EXPECT_EQ(kernel().tdb_seconds_with_eop(TimeScale::Tt, eop(), ut1).value(),
              kernel().tdb_seconds(TimeScale::Tt, ut1).value());
    EXPECT_NEAR(kernel().ut1_julian_day(TimeScale::Utc, eop(), utc).value(), ut1, 1e-9);

    // Every scale reaches UT1 and comes back.
    for (double day : {2441317.75, 2450000.3, 2457754.49999, 2457754.5, 2460000.9}) {
        for (TimeScale scale : {TimeScale::Utc, TimeScale::Tt, TimeScale::Tdb}) {
            const double ut1_day = kernel().ut1_julian_day(scale, eop(), day).value();
            double back = ut1_day;
            if (scale == TimeScale::Utc) back = kernel().utc_julian_day(TimeScale::Ut1, &eop(), ut1_day).value();
            if (scale == TimeScale::Tt) back = kernel().tt_julian_day(TimeScale::Ut1, &eop(), ut1_day).value();
            if (scale == TimeScale::Tdb) {
                back = kernel().tdb_seconds_with_eop(TimeScale::Ut1, eop(), ut1_day).value() / 86400.0 + 2451545.0;
            }
            EXPECT_NEAR(back, day, 1e-9) << name(scale) << " " << day;
        }
    }
    // A UT1 day outside the table's coverage reports the table's error.
    EXPECT_EQ(kernel().tt_julian_day(TimeScale::Ut1, &eop(), 2470000.5).error().kind,
              UtcConversionError::Kind::Orientation);
}

TEST(LeapSecondConversions, NonFiniteDaysFail) {
    const std::string finite = "Julian day must be finite";
    for (double bad : {NaN, INF, -INF}) {
        for (TimeScale scale : {TimeScale::Utc, TimeScale::Ut1, TimeScale::Tt, TimeScale::Tdb}) {
            EXPECT_EQ(kernel().tdb_seconds(scale, bad).error().message(), finite);
            EXPECT_EQ(kernel().tt_julian_day(scale, nullptr, bad).error().message(), finite);
            EXPECT_EQ(kernel().tt_julian_day(scale, &eop(), bad).error().message(), finite);
            EXPECT_EQ(kernel().utc_julian_day(scale, nullptr, bad).error().message(), finite);
            EXPECT_EQ(kernel().ut1_julian_day(scale, eop(), bad).error().message(), finite);
            if (scale != TimeScale::Ut1) {
                EXPECT_EQ(kernel().tdb_seconds_with_eop(scale, eop(), bad).error().message(), finite);
            }
        }
        EXPECT_EQ(kernel().tdb_seconds_with_eop(TimeScale::Ut1, eop(), bad).error().message(),
                  "EOP epoch, DUT1, and polar motion must be finite");
    }
}

TEST(EngineTimeConversions, WithoutAnyKernel) {
    const std::optional<LeapSecondKernel> no_kernel;
    const std::optional<EarthOrientationTable> no_table;
    auto tdb = [&](TimeScale scale, double jd) {
        return tdb_seconds_with_time_kernels(no_kernel, no_table, scale, jd);
    };
    auto tt = [&](TimeScale scale, double jd) {
        return tt_julian_day_with_time_kernels(no_kernel, no_table, scale, jd);
    };

    EXPECT_EQ(tdb(TimeScale::Tdb, 2451545.25).value(), 21600.0);
    EXPECT_NEAR(tdb(TimeScale::Tt, 2451545.0).value(), -7.2737e-5, 5e-10);
    EXPECT_EQ(tdb(TimeScale::Utc, 2451545.0).error().message(), "conversion from Utc to TDB is not implemented");
    EXPECT_EQ(tdb(TimeScale::Ut1, 2451545.0).error().message(), "conversion from Ut1 to TDB is not implemented");
    EXPECT_EQ(tdb(TimeScale::Tdb, NaN).error().message(), "Julian day must be finite");
    EXPECT_EQ(tdb(TimeScale::Utc, INF).error().message(), "Julian day must be finite");

    EXPECT_EQ(tt(TimeScale::Tdb, 2451545.25).value(), 2451545.25);
    EXPECT_EQ(tt(TimeScale::Utc, 2451545.0).error().message(), "conversion from Utc to TDB is not implemented");
    EXPECT_EQ(tt(TimeScale::Ut1, 2451545.0).error().message(), "conversion from Ut1 to TDB is not implemented");
    EXPECT_EQ(tt(TimeScale::Tdb, NaN).error().message(), "Julian day must be finite");
    EXPECT_TRUE(std::isnan(tt(TimeScale::Tt, NaN).value()));  // TT passes through unchecked
}

TEST(EngineTimeConversions, WithTheTimeKernels) {
    const std::optional<LeapSecondKernel> lsk = kernel();
    const std::optional<EarthOrientationTable> no_table;
    const std::optional<EarthOrientationTable> table = eop();
    const double jd = 2457000.5;

    EXPECT_EQ(tdb_seconds_with_time_kernels(lsk, no_table, TimeScale::Utc, jd).value(),
              kernel().tdb_seconds(TimeScale::Utc, jd).value());
    EXPECT_EQ(tdb_seconds_with_time_kernels(lsk, no_table, TimeScale::Ut1, NaN).error().message(),
              "UT1 requires an Earth orientation table (DUT1); attach one with SpkOrvane::with_eop");
    EXPECT_EQ(tdb_seconds_with_time_kernels(lsk, table, TimeScale::Ut1, jd).value(),
              kernel().tdb_seconds_with_eop(TimeScale::Ut1, eop(), jd).value());
    EXPECT_EQ(tdb_seconds_with_time_kernels(lsk, table, TimeScale::Utc, 2400000.5).error().message(),
              "UTC Julian day 2400000.5 precedes the kernel's earliest leap-second entry (2441317.5); the offset is "
              "not extrapolated");

    EXPECT_EQ(tt_julian_day_with_time_kernels(lsk, no_table, TimeScale::Utc, jd).value(),
              kernel().tt_julian_day(TimeScale::Utc, nullptr, jd).value());
    EXPECT_EQ(tt_julian_day_with_time_kernels(lsk, no_table, TimeScale::Ut1, jd).error().message(),
              "UT1 requires an Earth orientation table (DUT1); attach one with SpkOrvane::with_eop");
    EXPECT_EQ(tt_julian_day_with_time_kernels(lsk, table, TimeScale::Ut1, jd).value(),
              kernel().tt_julian_day(TimeScale::Ut1, &eop(), jd).value());
    EXPECT_EQ(tt_julian_day_with_time_kernels(lsk, table, TimeScale::Tdb, NaN).error().message(),
              "Julian day must be finite");

    // A UT1 day outside the Earth-orientation table keeps the day and the
    // table's bounds as data.
    auto outside = tdb_seconds_with_time_kernels(lsk, table, TimeScale::Ut1, eop().last_utc_jd() + 1000.0);
    ASSERT_FALSE(outside.has_value());
    EXPECT_EQ(outside.error().kind, UtcConversionError::Kind::Orientation);
    EXPECT_EQ(outside.error().orientation.kind, EopError::Kind::OutsideCoverage);
    EXPECT_EQ(outside.error().orientation.last_utc_jd, eop().last_utc_jd());
}

}  // namespace
}  // namespace orvane

namespace orvane {
namespace {

// The repository's kernel with its last entry written otherwise.
struct LastEntry {
    std::string_view text;      // replaces "37, @2017-JAN-1 )"
    std::string_view expected;  // "loaded" or the error
};

class LeapSecondKernelLastEntry : public ::testing::TestWithParam<LastEntry> {};

TEST_P(LeapSecondKernelLastEntry, IsReadOrRefusedWithItsText) {
    EXPECT_EQ(load_error(real_kernel_with("37, @2017-JAN-1 )", GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ImpossibleDates, LeapSecondKernelLastEntry,
    ::testing::Values(
        LastEntry{"37, @2017-JAN-4294967295 )",
                  "invalid NAIF date literal \"@2017-JAN-4294967295\": JAN 2017 has 31 days"},
        LastEntry{"37, @2017-FEB-29 )", "invalid NAIF date literal \"@2017-FEB-29\": FEB 2017 has 28 days"},
        LastEntry{"37, @17-JAN-1 )",
                  "invalid NAIF date literal \"@17-JAN-1\": the year must have four digits (1000 to 9999)"},
        LastEntry{"37, @20170-JAN-1 )",
                  "invalid NAIF date literal \"@20170-JAN-1\": the year must have four digits (1000 to 9999)"}));

// NAIF's "+=" appends to DELTET/DELTA_AT, where it used to be glued to the
// assignment before it.
INSTANTIATE_TEST_SUITE_P(
    Appended, LeapSecondKernelLastEntry,
    ::testing::Values(LastEntry{"37, @2017-JAN-1 )\nDELTET/DELTA_AT += ( 38, @2030-JUL-1 )", "loaded"},
                      LastEntry{")\nDELTET/DELTA_AT += ( 37, @2017-JAN-1 )", "loaded"},
                      LastEntry{"37, @2017-JAN-1 )\nDELTET/DELTA_AT += ( 38, @2016-JUL-1 )",
                                "DELTET/DELTA_AT entries must be strictly ascending in effective date"},
                      LastEntry{"37, @2017-JAN-1 )\nDELTET/DELTA_AT += ( 38 )",
                                "invalid value for DELTET/DELTA_AT: expected a non-empty sequence of (delta, date) "
                                "pairs"}));

TEST(LeapSecondKernelAppend, AppendedEntriesTakeEffect) {
    auto appended = LeapSecondKernel::from_text(
        "appended.tls", SHA256_TEXT,
        real_kernel_with("37, @2017-JAN-1 )", "37, @2017-JAN-1 )\nDELTET/DELTA_AT += ( 38, @2030-JUL-1 )"));
    ASSERT_TRUE(appended.has_value()) << appended.error().message();
    ASSERT_EQ(appended->entries().size(), 29u);
    EXPECT_EQ(appended->delta_at(2462683.5 - 1e-6).value(), 37.0);  // 2030 June 30, just before midnight
    EXPECT_EQ(appended->delta_at(2462683.5).value(), 38.0);
}

// The lookup takes the last entry at or before the day, whichever way it searches.
TEST(LeapSecondKernelLookup, EveryEntryAndItsNeighbours) {
    const auto entries = kernel().entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const double day = entries[i].utc_jd;
        EXPECT_EQ(kernel().delta_at(day).value(), entries[i].delta_at) << day;
        EXPECT_EQ(kernel().delta_at(std::nextafter(day, INF)).value(), entries[i].delta_at) << day;
        if (i > 0) {
            EXPECT_EQ(kernel().delta_at(std::nextafter(day, -INF)).value(), entries[i - 1].delta_at) << day;
        }
    }
    EXPECT_EQ(kernel().delta_at(1e9).value(), 37.0);
    EXPECT_EQ(kernel().delta_at(std::nextafter(entries.front().utc_jd, -INF)).error().kind,
              UtcConversionError::Kind::BeforeFirstEntry);
}

}  // namespace
}  // namespace orvane

namespace orvane {
namespace {

// The offset from one sine and cosine of the mean anomaly agrees with the
// rounds taken by the library's sine at every step, across ±30 centuries, to
// the rounding of their arguments;
// constants too large for the small-angle series take those rounds.
TEST(LeapSecondConversions, OffsetFromOneSineMatchesTheRoundsBySines) {
    auto by_sines = [](const TdbTtConstants& c, double tt) {
        double offset = 0.0;
        for (int k = 0; k < 2; ++k) {
            const double m = std::fma(c.m1, tt + offset, c.m0);
            offset = c.k * std::sin(m + c.eb * std::sin(m));
        }
        return offset;
    };
    // The rounds by sines round E = M + EB sin M to M's last place, K times
    // that in the offset (4e-19 s per radian of M); the other rounds of either
    // stay near 1e-19 s.
    for (double tt = -9.5e10; tt < 9.5e10; tt += 3.3e7 + 0.123) {
        const double m = std::fma(STANDARD_TDB_TT_CONSTANTS.m1, tt, STANDARD_TDB_TT_CONSTANTS.m0);
        EXPECT_NEAR(tdb_minus_tt(STANDARD_TDB_TT_CONSTANTS, tt), by_sines(STANDARD_TDB_TT_CONSTANTS, tt),
                    1e-18 + 4e-19 * std::fabs(m))
            << tt;
    }
    // Mean anomalies of up to 2^29 radians are reduced, beyond they take the rounds.
    for (double tt : {2.6e15, -2.6e15, 2.8e15, -9e15, 1e20, -1e300}) {
        const double m = std::fma(STANDARD_TDB_TT_CONSTANTS.m1, tt, STANDARD_TDB_TT_CONSTANTS.m0);
        EXPECT_NEAR(tdb_minus_tt(STANDARD_TDB_TT_CONSTANTS, tt), by_sines(STANDARD_TDB_TT_CONSTANTS, tt),
                    1e-18 + 4e-19 * std::fabs(m))
            << tt;
    }
    const TdbTtConstants eccentric{0.001657, 0.3, 6.239996, 1.99096871e-7};
    for (double tt = -3e9; tt < 3e9; tt += 1.1e8) EXPECT_EQ(tdb_minus_tt(eccentric, tt), by_sines(eccentric, tt));
    EXPECT_TRUE(std::isnan(tdb_minus_tt(STANDARD_TDB_TT_CONSTANTS, std::numeric_limits<double>::quiet_NaN())));
}

// Epochs taken four at a time give each epoch's offset alone, to the bit,
// whatever their lane, count and neighbours (not finite, or beyond the
// reduction of the mean anomaly).
TEST(LeapSecondConversions, OffsetsInLanesAreEachEpochsAlone) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> epochs = {0.0,  -0.0, 6.4e8, -3.2e9 + 0.37, nan,  1.0e16, 4.1e7,
                                        -9e10, 1e-3, 2.5e15, std::numeric_limits<double>::infinity(), 7.77e8};
    const TdbTtConstants eccentric{0.001657, 0.3, 6.239996, 1.99096871e-7};
    for (const TdbTtConstants& constants : {STANDARD_TDB_TT_CONSTANTS, eccentric}) {
        for (std::size_t count = 1; count <= TDB_TT_LANES; ++count) {
            for (std::size_t first = 0; first + count <= epochs.size(); ++first) {
                double lanes[TDB_TT_LANES];
                tdb_minus_tt_lanes(constants, &epochs[first], count, lanes);
                for (std::size_t k = 0; k < count; ++k) {
                    const double alone = tdb_minus_tt(constants, epochs[first + k]);
                    EXPECT_EQ(std::bit_cast<std::uint64_t>(lanes[k]), std::bit_cast<std::uint64_t>(alone))
                        << epochs[first + k] << " in lane " << k << " of " << count;
                }
            }
        }
    }
}

}  // namespace
}  // namespace orvane

namespace orvane {
namespace {

// The conversion without an error path gives the full conversion's bits for
// TT and TDB, with the kernel's constants and with the standard ones, and
// leaves every other case to it.
TEST(LeapSecondConversions, DynamicalScalesWithoutTheErrorPathGiveTheSameBits) {
    auto opened = LeapSecondKernel::open(KERNEL_PATH, SHA256_TEXT);
    ASSERT_TRUE(opened);
    const std::optional<LeapSecondKernel> with_kernel(std::move(*opened));
    const std::optional<LeapSecondKernel> without_kernel;
    const std::optional<EarthOrientationTable> no_table;
    for (const auto* leap_seconds : {&with_kernel, &without_kernel}) {
        for (TimeScale scale : {TimeScale::Tt, TimeScale::Tdb}) {
            for (double day : {2451545.0, 2433282.5, 2460000.37, 2469807.5, 1e7, -1e6}) {
                auto fast = dynamical_tdb_seconds(*leap_seconds, scale, day);
                auto full = tdb_seconds_with_time_kernels(*leap_seconds, no_table, scale, day);
                ASSERT_TRUE(fast.has_value());
                ASSERT_TRUE(full.has_value());
                EXPECT_EQ(std::bit_cast<std::uint64_t>(*fast), std::bit_cast<std::uint64_t>(*full)) << day;
            }
            EXPECT_FALSE(dynamical_tdb_seconds(*leap_seconds, scale, NaN).has_value());
            EXPECT_FALSE(dynamical_tdb_seconds(*leap_seconds, scale, INF).has_value());
        }
        EXPECT_FALSE(dynamical_tdb_seconds(*leap_seconds, TimeScale::Utc, 2451545.0).has_value());
        EXPECT_FALSE(dynamical_tdb_seconds(*leap_seconds, TimeScale::Ut1, 2451545.0).has_value());
    }
}

}  // namespace
}  // namespace orvane
