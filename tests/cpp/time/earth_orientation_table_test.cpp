#include "time/earth_orientation_table.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <functional>
#include <random>
#include <sstream>

#include "core/reference_table.hpp"
#include "core/text/text_forms.hpp"
#include "time/scratch_directory.hpp"

namespace orvane {
namespace {

using testing::ReferenceTable;
using testing::SHA256_TEXT;
using testing::ScratchDirectory;

std::string reference_path(const char* name) {
    std::ifstream in(std::string(ORVANE_REFERENCE_DIR) + "/" + name);
    std::string path;
    std::getline(in, path);
    return path;
}

std::string c04_path() { return reference_path("eop_c04_path.txt"); }

const EarthOrientationTable& table() {
    static const EarthOrientationTable loaded = [] {
        auto opened = EarthOrientationTable::open(c04_path(), SHA256_TEXT);
        if (!opened) throw std::runtime_error(opened.error().message());
        return std::move(*opened);
    }();
    return loaded;
}

std::string load_error(std::string_view text) {
    ScratchDirectory dir;
    auto opened = EarthOrientationTable::open(dir.write("eop.txt", text), SHA256_TEXT);
    return opened ? std::string("loaded") : opened.error().message();
}

std::string coverage_message(double day) {
    return "UTC Julian day " + debug_float(day) + " is outside EOP coverage [" + debug_float(table().first_utc_jd()) +
           ", " + debug_float(table().last_utc_jd()) + "]";
}

const char* const ROW_1 = "2016  12  30   0  57752.00    0.080549    0.263128  -0.4082869\n";
const char* const ROW_2 = "2016  12  31   0  57753.00    0.078970    0.262630  -0.4082030    0.0 0.0\n";

TEST(EarthOrientationTable, RealTableRowsAreReturnedExactly) {
    ReferenceTable rows("eop_c04_rows.csv");
    ASSERT_GT(rows.size(), 20000u);
    ASSERT_EQ(table().samples().size(), rows.size());
    EXPECT_EQ(table().file_name(), "eopc04.1962-now");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const double day = rows.number(i, "utc_jd");
        auto sample = table().interpolated_sample(day);
        ASSERT_TRUE(sample.has_value()) << day;
        EXPECT_EQ(sample->utc_jd, day);
        EXPECT_EQ(sample->dut1_seconds, rows.number(i, "dut1_seconds")) << day;
        EXPECT_EQ(sample->x_arcsec, rows.number(i, "x_arcsec")) << day;
        EXPECT_EQ(sample->y_arcsec, rows.number(i, "y_arcsec")) << day;
        auto pole = table().polar_motion_arcsec(day).value();
        EXPECT_EQ(pole.x_arcsec, rows.number(i, "x_arcsec"));
        EXPECT_EQ(pole.y_arcsec, rows.number(i, "y_arcsec"));
    }
}

TEST(EarthOrientationTable, InterpolatesLinearlyBetweenRows) {
    const auto samples = table().samples();
    for (std::size_t i : {std::size_t{0}, std::size_t{5000}, std::size_t{15000}, samples.size() - 2}) {
        const EopSample& p = samples[i];
        const EopSample& n = samples[i + 1];
        auto mid = table().interpolated_sample((p.utc_jd + n.utc_jd) / 2).value();
        EXPECT_NEAR(mid.dut1_seconds, (p.dut1_seconds + n.dut1_seconds) / 2, 1e-15);
        EXPECT_NEAR(mid.x_arcsec, (p.x_arcsec + n.x_arcsec) / 2, 1e-15);
        EXPECT_NEAR(mid.y_arcsec, (p.y_arcsec + n.y_arcsec) / 2, 1e-15);
        auto quarter = table().interpolated_sample(p.utc_jd + 0.25 * (n.utc_jd - p.utc_jd)).value();
        EXPECT_NEAR(quarter.dut1_seconds, 0.75 * p.dut1_seconds + 0.25 * n.dut1_seconds, 1e-15);
    }
}

TEST(EarthOrientationTable, UtcDayBeforeALeapSecondFollowsThePreviousRow) {
    // UT1-UTC steps by +1 s at 2017-01-01 00:00 UTC; during 2016-12-31 it keeps
    // following the old value instead of blending across the step.
    const double leap_midnight = 2457754.5;
    const EopSample before = table().interpolated_sample(leap_midnight - 1).value();
    const EopSample after = table().interpolated_sample(leap_midnight).value();
    ASSERT_NEAR(after.dut1_seconds - before.dut1_seconds, 1.0, 0.01);
    const double mid = table().dut1_seconds(leap_midnight - 0.5).value();
    EXPECT_NEAR(mid, (before.dut1_seconds + after.dut1_seconds - 1.0) / 2, 1e-12);
    EXPECT_NEAR(table().dut1_seconds(std::nextafter(leap_midnight, 0.0)).value(), after.dut1_seconds - 1.0, 1e-8);
    // Polar motion is not affected.
    EXPECT_NEAR(table().polar_motion_arcsec(leap_midnight - 0.5)->x_arcsec, (before.x_arcsec + after.x_arcsec) / 2,
                1e-15);
}

TEST(EarthOrientationTable, Ut1RoundTripsOverTheCoverage) {
    std::mt19937_64 random(7);
    const double first = table().first_utc_jd() + 1, last = table().last_utc_jd() - 1;
    std::uniform_real_distribution<double> day(first, last);
    std::vector<double> days;
    for (int i = 0; i < 3000; ++i) days.push_back(day(random));
    for (double leap : {2441499.5, 2450630.5, 2457754.5}) {  // around leap seconds
        for (double offset : {-0.5, -1e-6, 0.0, 1e-6, 0.5}) days.push_back(leap + offset);
    }
    for (double utc : days) {
        const double ut1 = table().ut1_julian_day_from_utc(utc).value();
        EXPECT_NEAR(std::fabs(ut1 - utc) * 86400, 0.5, 0.5) << utc;  // |DUT1| < 1 s
        EXPECT_NEAR(table().utc_julian_day_from_ut1(ut1).value(), utc, 1e-9) << utc;
    }
}

TEST(EarthOrientationTable, QueriesOutsideTheCoverageFail) {
    const double first = table().first_utc_jd(), last = table().last_utc_jd();
    EXPECT_EQ(first, 2437665.5);
    EXPECT_EQ(table().interpolated_sample(first)->utc_jd, first);
    EXPECT_EQ(table().interpolated_sample(last)->utc_jd, last);
    for (double outside : {std::nextafter(first, 0.0), std::nextafter(last, 3e6), 2400000.5}) {
        auto sample = table().interpolated_sample(outside);
        ASSERT_FALSE(sample.has_value());
        EXPECT_EQ(sample.error().message(), coverage_message(outside));
        EXPECT_EQ(table().polar_motion_arcsec(outside).error().message(), coverage_message(outside));
    }
    // A day far outside is written short, as it reads back.
    EXPECT_EQ(table().interpolated_sample(-1e300).error().message(),
              "UTC Julian day -1e300 is outside EOP coverage [2437665.5, " + debug_float(last) + "]");
    // The UT1 search fails when an intermediate UTC estimate leaves the coverage.
    const double estimate = first - table().samples().front().dut1_seconds / 86400.0;
    EXPECT_EQ(table().utc_julian_day_from_ut1(first).error().message(), coverage_message(estimate));

    const std::string finite = "EOP epoch, DUT1, and polar motion must be finite";
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(table().interpolated_sample(bad).error().message(), finite);
        EXPECT_EQ(table().utc_julian_day_from_ut1(bad).error().message(), finite);
        EXPECT_EQ(table().polar_motion_arcsec(-bad).error().message(), finite);
    }
}

TEST(EarthOrientationTableLoading, ReadsCommentsBlankLinesAndUnicodeSeparators) {
    ScratchDirectory dir;
    const std::string text = std::string("# header\r\n\r\n   # indented comment\n") + ROW_1 +
                             "2016\xE2\x80\x83" "12\xC2\xA0" "31 0 57753.00 0.078970 0.262630 -0.4082030\r\n";
    auto opened = EarthOrientationTable::open(dir.write("c04.txt", text), std::string(64, 'F'));
    ASSERT_TRUE(opened.has_value()) << opened.error().message();
    EXPECT_EQ(opened->sha256(), std::string(64, 'f'));
    EXPECT_EQ(opened->file_name(), "c04.txt");
    ASSERT_EQ(opened->samples().size(), 2u);
    EXPECT_EQ(opened->samples()[1].utc_jd, 2457753.5);
    EXPECT_EQ(opened->samples()[1].dut1_seconds, -0.4082030);
    EXPECT_EQ(opened->samples()[1].x_arcsec, 0.078970);
    EXPECT_EQ(opened->samples()[1].y_arcsec, 0.262630);
}

TEST(EarthOrientationTableLoading, RefusesBadFiles) {
    EXPECT_EQ(load_error("# only\n# comments\n\n"), "EOP table contains no DUT1 samples");
    EXPECT_EQ(load_error(""), "EOP table contains no DUT1 samples");
    EXPECT_EQ(load_error(std::string("# c\n\n") + "2016 12 30 0 57752.00 0.080549 0.263128\n"),
              "invalid IERS EOP 20 C04 line 3");
    EXPECT_EQ(load_error(std::string(ROW_1) + "2016 12 31 0 57753.00 0.078970 0.26x630 -0.4082030\n"),
              "invalid IERS EOP 20 C04 line 2");
    EXPECT_EQ(load_error(std::string(ROW_1) + "2016 12 31 0 57753,00 0.078970 0.262630 -0.4082030\n"),
              "invalid IERS EOP 20 C04 line 2");
    EXPECT_EQ(load_error(std::string(ROW_1) + ROW_1), "EOP DUT1 samples must be strictly increasing in UTC");
    EXPECT_EQ(load_error(std::string(ROW_2) + ROW_1), "EOP DUT1 samples must be strictly increasing in UTC");
    EXPECT_EQ(load_error(std::string(ROW_1) + "2016 12 31 0 57753.00 0.078970 0.262630 nan\n"),
              "EOP epoch, DUT1, and polar motion must be finite");
    EXPECT_EQ(load_error("2016 12 31 0 inf 0.078970 0.262630 0.1\n"),
              "EOP epoch, DUT1, and polar motion must be finite");
    // The first bad line ends loading, even if a later line is worse.
    EXPECT_EQ(load_error("1 2 3\n2016 12 31 0 57753.00 0.078970 0.262630 nan\n"), "invalid IERS EOP 20 C04 line 1");

    ScratchDirectory dir;
    EXPECT_EQ(EarthOrientationTable::open(dir.path() + "/absent", SHA256_TEXT).error().message(),
              "No such file or directory");
    EXPECT_EQ(EarthOrientationTable::open(dir.path(), SHA256_TEXT).error().message(), "Is a directory");
    EXPECT_EQ(EarthOrientationTable::open(dir.write("bad.txt", std::string(ROW_1) + "\xC3\x28"), SHA256_TEXT)
                  .error()
                  .message(),
              "stream did not contain valid UTF-8");
    EXPECT_EQ(EarthOrientationTable::open(dir.write("ok.txt", ROW_1), std::string(63, '0')).error().message(),
              "EOP table SHA-256 must be 64 hexadecimal characters");
    EXPECT_EQ(EarthOrientationTable::open("", SHA256_TEXT).error().message(), "EOP table path has no filename");
    EXPECT_EQ(EarthOrientationTable::open(dir.path() + "/\xFF", SHA256_TEXT).error().message(),
              "EOP table path has no filename");
}

TEST(EarthOrientationTableLoading, OneRowTableCoversOnlyItsDay) {
    ScratchDirectory dir;
    auto opened = EarthOrientationTable::open(dir.write("one.txt", ROW_1), SHA256_TEXT);
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(opened->dut1_seconds(2457752.5).value(), -0.4082869);
    EXPECT_EQ(opened->interpolated_sample(2457752.75).error().message(),
              "UTC Julian day 2457752.75 is outside EOP coverage [2457752.5, 2457752.5]");
    EXPECT_FALSE(opened->utc_julian_day_from_ut1(2457752.5).has_value());
}

TEST(EarthOrientationTableLoading, LineParsing) {
    auto sample = parse_c04_line("1962 1 1 0 37665.00 -0.012700 0.213000 0.0326338 9 9", 12);
    ASSERT_TRUE(sample.has_value());
    EXPECT_EQ(sample->utc_jd, 2437665.5);
    EXPECT_EQ(sample->x_arcsec, -0.0127);
    EXPECT_EQ(sample->y_arcsec, 0.213);
    EXPECT_EQ(sample->dut1_seconds, 0.0326338);
    EXPECT_EQ(parse_c04_line("1962 1 1 0 37665.00 -0.012700 0.213000", 12).error().message(),
              "invalid IERS EOP 20 C04 line 12");
    EXPECT_EQ(parse_c04_line("1962 1 1 0 37665.00 -0.012700 +0.213000 0.0326338", 1)->y_arcsec, 0.213);
    EXPECT_EQ(parse_c04_line("x x x x 37665 -1e-2 .2 3.", 1)->dut1_seconds, 3.0);  // fields 1-4 ignored
}

TEST(EarthOrientationTableFinals, RealTableMatchesSkyfieldsReader) {
    auto finals = EarthOrientationTable::open(reference_path("finals_path.txt"), SHA256_TEXT);
    ASSERT_TRUE(finals.has_value()) << finals.error().message();
    ReferenceTable rows("finals_rows.csv");
    ASSERT_GT(rows.size(), 19000u);
    ASSERT_EQ(finals->samples().size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const EopSample& sample = finals->samples()[i];
        ASSERT_EQ(sample.utc_jd, rows.number(i, "utc_jd")) << i;
        EXPECT_EQ(sample.dut1_seconds, rows.number(i, "dut1_seconds")) << sample.utc_jd;
        EXPECT_EQ(sample.x_arcsec, rows.number(i, "x_arcsec")) << sample.utc_jd;
        EXPECT_EQ(sample.y_arcsec, rows.number(i, "y_arcsec")) << sample.utc_jd;
    }
    // Skyfield interpolates on the TT grid of the same rows, rounded to 0.1 us.
    ReferenceTable instants("finals_dut1.csv");
    for (std::size_t i = 0; i < instants.size(); ++i) {
        const double day = instants.number(i, "utc_jd");
        EXPECT_NEAR(finals->dut1_seconds(day).value(), instants.number(i, "dut1_seconds"), 1e-6) << day;
    }
}

TEST(EarthOrientationTableFinals, RowsAndMalformedLines) {
    // Real rows: one measured (polar-motion and UT1 flags "I"), one predicted
    // whose UT1 value touches its flag, then a day past the predictions.
    const std::string measured = "73 1 2 41684.00 I  0.120733 0.009786  0.136966 0.015902  I 0.8084178 0.0002710  "
                                 "0.0000 0.1916  P    -0.766    0.199    -0.720    0.300   .143000   .137000   "
                                 ".8075000   -18.637    -3.667  ";
    const std::string predicted = "271112 61721.00 P  0.154509 0.017520  0.274359 0.028387  P-0.2291327 0.0254096";
    const std::string past = "28 1 1 61771.00" + std::string(100, ' ');
    auto with_byte = [](std::string line, std::size_t column, char c) {
        line[column - 1] = c;
        return line;
    };
    struct Case {
        std::string text;
        std::string expected;  // "loaded N" or the error
    };
    const Case cases[] = {
        {measured + "\n" + predicted + "\n" + past + "\n" + past + "\n", "loaded 2"},
        // Only dated rows may follow the last value.
        {measured + "\n" + predicted + "\n" + past + "\n" + "garbage after the end\n", "invalid IERS finals line 4"},
        {measured + "\r\n\n \t\n" + predicted + "\n\n", "loaded 2"},  // blank lines are skipped
        {past + "\n" + measured + "\n", "IERS finals line 1 has no UT1-UTC value, but later rows have one: only the "
                                        "days after the last value may lack it"},
        {past + "\n", "EOP table contains no DUT1 samples"},
        {measured + "\n" + measured.substr(0, 64) + "\n", "invalid IERS finals line 2"},  // cut inside UT1-UTC
        {measured + "\n" + measured.substr(0, 30) + "\n", "loaded 1"},  // cut before it: no UT1-UTC
        {measured + "\n" + with_byte(measured, 17, ' ') + "\n", "invalid IERS finals line 2"},
        {measured + "\n" + with_byte(measured, 58, 'X') + "\n", "invalid IERS finals line 2"},
        {measured + "\n" + with_byte(measured, 22, 'x') + "\n", "invalid IERS finals line 2"},
        {measured + "\n" + with_byte(measured, 40, ' ') + "\n", "invalid IERS finals line 2"},
        {measured + "\n" + with_byte(measured, 13, '5') + "\n", "invalid IERS finals line 2"},
        {measured + "\n" + " " + measured + "\n", "invalid IERS finals line 2"},  // shifted one column
        {"# a comment before the rows\n" + measured + "\n" + measured + "\n",
         "EOP DUT1 samples must be strictly increasing in UTC"},
        {measured.substr(0, 58) + "       nan" + measured.substr(68) + "\n",
         "EOP epoch, DUT1, and polar motion must be finite"},
        // A C04 table is never read as finals, and a finals row inside one is a bad C04 line.
        {std::string(ROW_1) + measured + "\n", "invalid IERS EOP 20 C04 line 2"},
    };
    for (const Case& c : cases) {
        ScratchDirectory dir;
        auto opened = EarthOrientationTable::open(dir.write("finals2000A.all", c.text), SHA256_TEXT);
        const std::string result =
            opened ? "loaded " + std::to_string(opened->samples().size()) : opened.error().message();
        EXPECT_EQ(result, c.expected) << c.text;
    }
}

}  // namespace
}  // namespace orvane

namespace orvane {
namespace {

// The real IERS tables of astropy-iers-data, edited in one place.
std::vector<std::string> lines_of(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(testing::read_file(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// The index of the row of an MJD ("51554.00"): finals bytes 8-15, or C04 field 5.
std::size_t row_of(const std::vector<std::string>& lines, std::string_view mjd) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].size() > 16 && lines[i][0] != '#' && lines[i].find(" " + std::string(mjd) + " ") < 20) return i;
    }
    ADD_FAILURE() << "no row of MJD " << mjd;
    return 0;
}

// Adds `seconds` to the UT1-UTC of a finals row (bytes 59-68, F10.7).
void shift_finals_ut1(std::string& line, double seconds) {
    const double value = std::stod(line.substr(58, 10)) + seconds;
    char text[16];
    std::snprintf(text, sizeof text, "%10.7f", value);
    line.replace(58, 10, text);
}

struct EditedTable {
    std::string name;
    bool finals = true;
    // Edits the lines; returns the expected result ("full" for the whole table
    // read as if unedited, else the error), given the line number edited.
    std::function<std::string(std::vector<std::string>&, std::uint64_t&)> edit;
};

class RealTableEdited : public ::testing::TestWithParam<EditedTable> {};

TEST_P(RealTableEdited, IsReadWholeOrRefusedNamingTheLine) {
    const EditedTable& c = GetParam();
    const std::string path = c.finals ? reference_path("finals_path.txt") : c04_path();
    std::vector<std::string> lines = lines_of(path);
    std::uint64_t line_number = 0;
    const std::string expected = c.edit(lines, line_number);
    ScratchDirectory dir;
    auto edited = EarthOrientationTable::open(dir.write(c.finals ? "finals2000A.all" : "eopc04", joined(lines)),
                                              SHA256_TEXT);
    if (expected != "full") {
        ASSERT_FALSE(edited.has_value()) << c.name;
        EXPECT_EQ(edited.error().message(), expected) << c.name;
        return;
    }
    ASSERT_TRUE(edited.has_value()) << edited.error().message();
    auto original = EarthOrientationTable::open(path, SHA256_TEXT);
    ASSERT_TRUE(original.has_value());
    ASSERT_EQ(edited->samples().size(), original->samples().size());
    EXPECT_EQ(edited->last_utc_jd(), original->last_utc_jd());
    for (double day : {2451554.5, 2451554.75, 2457754.25, original->last_utc_jd() - 0.5}) {
        EXPECT_EQ(edited->dut1_seconds(day).value(), original->dut1_seconds(day).value()) << day;
    }
}

std::string step_message(std::uint64_t line_number, std::string_view before, std::string_view after) {
    return "EOP table line " + std::to_string(line_number) + ": UT1-UTC steps from " + std::string(before) +
           " s to " + std::string(after) +
           " s, more than 0.5 s in a day and not a leap second (a whole second within 0.1 s)";
}

const std::string FINALS_ROW = "51554.00";  // 2000 January 10

INSTANTIATE_TEST_SUITE_P(
    Finals, RealTableEdited,
    ::testing::Values(
        EditedTable{"blank line", true,
                    [](std::vector<std::string>& lines, std::uint64_t&) {
                        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(row_of(lines, FINALS_ROW)), "");
                        return std::string("full");
                    }},
        EditedTable{"white space line", true,
                    [](std::vector<std::string>& lines, std::uint64_t&) {
                        const auto at = static_cast<std::ptrdiff_t>(row_of(lines, FINALS_ROW));
                        lines.insert(lines.begin() + at, " \t  ");
                        lines.insert(lines.begin() + at + 2, "\r");
                        return std::string("full");
                    }},
        EditedTable{"UT1 missing mid-table", true,
                    [](std::vector<std::string>& lines, std::uint64_t& line) {
                        const std::size_t at = row_of(lines, FINALS_ROW);
                        lines[at].replace(57, 11, std::string(11, ' '));
                        line = at + 1;
                        return "IERS finals line " + std::to_string(line) +
                               " has no UT1-UTC value, but later rows have one: only the days after the last value "
                               "may lack it";
                    }},
        EditedTable{"UT1 0.7 s off", true,
                    [](std::vector<std::string>& lines, std::uint64_t& line) {
                        const std::size_t at = row_of(lines, FINALS_ROW);
                        const std::string before = lines[at - 1].substr(58, 10);
                        shift_finals_ut1(lines[at], 0.7);
                        line = at + 1;
                        return step_message(line, debug_float(std::stod(before)),
                                            debug_float(std::stod(lines[at].substr(58, 10))));
                    }},
        EditedTable{"UT1 1.2 s off", true,
                    [](std::vector<std::string>& lines, std::uint64_t& line) {
                        const std::size_t at = row_of(lines, FINALS_ROW);
                        shift_finals_ut1(lines[at], -1.2);
                        line = at + 1;
                        return step_message(line, debug_float(std::stod(lines[at - 1].substr(58, 10))),
                                            debug_float(std::stod(lines[at].substr(58, 10))));
                    }}));

INSTANTIATE_TEST_SUITE_P(
    C04, RealTableEdited,
    ::testing::Values(
        EditedTable{"blank lines", false,
                    [](std::vector<std::string>& lines, std::uint64_t&) {
                        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(row_of(lines, FINALS_ROW)), "  ");
                        return std::string("full");
                    }},
        EditedTable{"UT1 0.7 s off", false,
                    [](std::vector<std::string>& lines, std::uint64_t& line) {
                        const std::size_t at = row_of(lines, FINALS_ROW);
                        auto row = parse_c04_line(lines[at], 1).value();
                        auto previous = parse_c04_line(lines[at - 1], 1).value();
                        char text[16];
                        std::snprintf(text, sizeof text, "%12.7f", row.dut1_seconds + 0.7);
                        lines[at].replace(50, 12, text);  // the F12.7 UT1-UTC field, bytes 51-62
                        line = at + 1;
                        return step_message(line, debug_float(previous.dut1_seconds),
                                            debug_float(parse_c04_line(lines[at], 1)->dut1_seconds));
                    }},
        EditedTable{"older layout without the hour column", false,
                    [](std::vector<std::string>& lines, std::uint64_t& line) {
                        for (std::size_t i = 0; i < lines.size(); ++i) {
                            if (lines[i].empty() || lines[i][0] == '#') continue;
                            if (line == 0) line = i + 1;
                            lines[i].erase(12, 4);  // "   0": the hour
                        }
                        return "EOP table line " + std::to_string(line) +
                               " is in the older IERS C04 layout (year, month, day, MJD, without the hour column), "
                               "which is not read: use an IERS EOP 20 C04 or IERS finals table";
                    }},
        EditedTable{"older layout, whole MJD", false,
                    [](std::vector<std::string>& lines, std::uint64_t& line) {
                        for (std::size_t i = 0; i < lines.size(); ++i) {
                            if (lines[i].empty() || lines[i][0] == '#') continue;
                            if (line == 0) line = i + 1;
                            lines[i].erase(23, 3);  // ".00" of the MJD
                            lines[i].erase(12, 4);
                        }
                        return "EOP table line " + std::to_string(line) +
                               " is in the older IERS C04 layout (year, month, day, MJD, without the hour column), "
                               "which is not read: use an IERS EOP 20 C04 or IERS finals table";
                    }}));

// A table of another kind is named as of an unknown layout, at its first data line.
TEST(EarthOrientationTableLayouts, AnotherIersFileIsOfAnUnknownLayout) {
    const std::string c04 = c04_path();
    const std::string leap_seconds = c04.substr(0, c04.rfind('/')) + "/Leap_Second.dat";
    const std::vector<std::string> lines = lines_of(leap_seconds);
    std::size_t first = 0;
    while (first < lines.size() && (lines[first].empty() || lines[first][0] == '#')) ++first;
    auto opened = EarthOrientationTable::open(leap_seconds, SHA256_TEXT);
    ASSERT_FALSE(opened.has_value());
    EXPECT_EQ(opened.error().message(),
              "EOP table line " + std::to_string(first + 1) +
                  " has an unknown layout: it is neither an IERS EOP 20 C04 row nor an IERS finals row");
    EXPECT_EQ(load_error("MJD,x,y,UT1-UTC\n51544,0.1,0.2,0.3\n"),
              "EOP table line 1 has an unknown layout: it is neither an IERS EOP 20 C04 row nor an IERS finals row");
}

}  // namespace
}  // namespace orvane
