#include "time/text_kernel.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/reference_table.hpp"

namespace orvane {
namespace {

std::vector<std::string> tokens_of(std::string_view value) {
    std::vector<std::string> out;
    for (std::string_view token : value_tokens(value)) out.emplace_back(token);
    return out;
}

AssignmentMap assignments_of(std::string_view text) {
    auto data = extract_data_sections(text);
    EXPECT_TRUE(data.has_value());
    return data ? parse_assignments(*data) : AssignmentMap{};
}

TEST(TextKernelSections, KeepsOnlyDataSectionLines) {
    auto data = extract_data_sections(
        "A = 1\n"
        "  \\begindata  \r\n"
        "B = 2\r\n"
        "\\begintext\n"
        "C = 3\n"
        "\\begindata x\n"  // not a marker: an ordinary line, outside a section
        "\t\\begindata\n"
        "  D = 4");
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(*data, "B = 2\n  D = 4\n");
}

TEST(TextKernelSections, NoDataFails) {
    for (std::string_view text : {"", "KPL/LSK\nA = 1\n", "\\begindata\n \t\n\n\\begintext\nA = 1\n",
                                  "\\BEGINDATA\nA = 1\n"}) {
        auto data = extract_data_sections(text);
        ASSERT_FALSE(data.has_value()) << text;
        EXPECT_EQ(data.error().message(), "leap-second kernel has no \\begindata section");
    }
}

TEST(TextKernelSections, MarkersAreTrimmedOfUnicodeWhiteSpace) {
    // U+3000 and U+00A0 are White_Space, though not in the C locale.
    auto data = extract_data_sections("\xE3\x80\x80\\begindata\xC2\xA0\nA = 1\n");
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(*data, "A = 1\n");
}

TEST(TextKernelAssignments, LastAssignmentWinsAndContinuationsJoin) {
    AssignmentMap map = assignments_of(
        "\\begindata\n"
        "stray continuation\n"
        "X = 1\n"
        "X = ( 2,\n"
        "      3 )\n"
        "\n"
        "DELTET/M_2 = a = b\n");
    EXPECT_EQ(map.size(), 2u);
    EXPECT_EQ(map.at("X"), "( 2, 3 )");
    EXPECT_EQ(map.at("DELTET/M_2"), "a = b");
}

TEST(TextKernelAssignments, KeywordsAreAsciiNamesStartingWithALetter) {
    AssignmentMap map = assignments_of("\\begindata\nA = 1\n1B = 2\n_C = 3\nD-E = 4\n = 5\n");
    ASSERT_EQ(map.size(), 1u);
    EXPECT_EQ(map.at("A"), "1 1B = 2 _C = 3 D-E = 4 = 5");
}

TEST(TextKernelTokens, SplitsAtCommasAndWhiteSpace) {
    using Tokens = std::vector<std::string>;
    EXPECT_EQ(tokens_of("(10,@1972-JAN-1)"), (Tokens{"10", "@1972-JAN-1"}));
    EXPECT_EQ(tokens_of(" ( 10, @1972-JAN-1,\n 11 @1972-JUL-1 ) "),
              (Tokens{"10", "@1972-JAN-1", "11", "@1972-JUL-1"}));
    EXPECT_EQ(tokens_of("((1 (2) 3))"), (Tokens{"1", "(2)", "3"}));
    EXPECT_EQ(tokens_of("1\xE2\x80\x83" "2\xC2\xA0,,3"), (Tokens{"1", "2", "3"}));  // U+2003, U+00A0
    EXPECT_TRUE(tokens_of(" ( ) ").empty());

    // The multi-line form gives the same tokens as the one-line form.
    AssignmentMap spread = assignments_of("\\begindata\nL = ( 1,\n  2\n\n 3 )\n");
    AssignmentMap flat = assignments_of("\\begindata\nL = (1 2 3)\n");
    EXPECT_EQ(tokens_of(spread.at("L")), tokens_of(flat.at("L")));
}

TEST(TextKernelNumbers, ReadsFortranExponentsAndRejectsAnythingElse) {
    EXPECT_EQ(parse_number("1.657D-3"), 1.657e-3);
    EXPECT_EQ(parse_number("1.657d-3"), 1.657e-3);
    EXPECT_EQ(parse_number("1.657E-3"), 1.657e-3);
    EXPECT_EQ(parse_number("6.239996D0"), 6.239996);
    EXPECT_EQ(parse_number("+32.184"), 32.184);
    EXPECT_EQ(parse_number("-.5"), -0.5);
    EXPECT_EQ(parse_number("5."), 5.0);
    EXPECT_EQ(parse_number("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(parse_number("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(parse_number("1e-400"), 0.0);
    EXPECT_EQ(parse_number("0.1e-322"), 1e-323);  // subnormal, not zero
    EXPECT_EQ(parse_number("Infinity"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(parse_number("-inf"), -std::numeric_limits<double>::infinity());
    ASSERT_TRUE(parse_number("NaN").has_value());
    EXPECT_TRUE(std::isnan(*parse_number("NaN")));
    for (std::string_view bad : {"D5", "", ".", "+", "-", "1e", "1e+", " 1", "1 ", "0x10", "nan(1)", "+-1", "1.2.3",
                                 "1,5", "infinit", "1D", "--1"}) {
        EXPECT_FALSE(parse_number(bad).has_value()) << bad;
    }
}

TEST(TextKernelValues, ScalarAndRawValue) {
    AssignmentMap map = assignments_of("\\begindata\nA = ( 32.184 )\nB = 32.184\nC = (1 2)\nD = x\nE = ()\n");
    EXPECT_EQ(scalar(map, "A").value(), 32.184);
    EXPECT_EQ(scalar(map, "B").value(), 32.184);
    EXPECT_EQ(scalar(map, "C").error().message(), "invalid value for C: expected a single scalar value");
    EXPECT_EQ(scalar(map, "E").error().message(), "invalid value for E: expected a single scalar value");
    EXPECT_EQ(scalar(map, "D").error().message(), "invalid value for D: value is not a valid number");
    EXPECT_EQ(scalar(map, "a").error().message(), "leap-second kernel is missing required keyword a");
    EXPECT_EQ(raw_value(map, "C").value(), "(1 2)");
    EXPECT_EQ(raw_value(map, "Z").error().message(), "leap-second kernel is missing required keyword Z");
}

TEST(TextKernelDates, AcceptsTheNaifForm) {
    EXPECT_EQ(parse_date_literal("@2000-JAN-1").value(), 2451544.5);
    EXPECT_EQ(parse_date_literal("@1972-jan-1").value(), 2441317.5);
    EXPECT_EQ(parse_date_literal("@1972-Jul-01").value(), 2441499.5);
    EXPECT_EQ(parse_date_literal("@+1972-JAN-+1").value(), 2441317.5);
    EXPECT_EQ(parse_date_literal("@1972-FEB-29").value(), parse_date_literal("@1972-MAR-1").value() - 1.0);
    EXPECT_EQ(parse_date_literal("@2000-FEB-29").value(), 2451603.5);
    EXPECT_EQ(parse_date_literal("@9999-DEC-31").value(), 5373483.5);
    EXPECT_EQ(parse_date_literal("@1000-JAN-1").value(), 2086302.5);
}

TEST(TextKernelDates, RefusesEverythingElseQuotingTheLiteral) {
    for (std::string_view bad : {"@1972-JAN-0", "@1972-JANUARY-1", "@1972-JAN-1-00:00", "1972-JAN-1", "@1972-JAN",
                                 "@-1972-JAN-1", "@1972--1", "@2147483648-JAN-1", "@1972-JAN-4294967296", "@",
                                 "@1972-JA1-1", "@1972-JAN-1.5", "@ 1972-JAN-1", "@1972-JAN-"}) {
        auto date = parse_date_literal(bad);
        ASSERT_FALSE(date.has_value()) << bad;
        EXPECT_EQ(date.error().message(), "invalid NAIF date literal \"" + std::string(bad) + "\"");
    }
    EXPECT_EQ(parse_date_literal("@\"1\\-JAN-1").error().message(), "invalid NAIF date literal \"@\\\"1\\\\-JAN-1\"");
}

TEST(TextKernelDates, JulianDayNumbersMatchErfa) {
    testing::ReferenceTable table("calendar_days.csv");
    ASSERT_GT(table.size(), 300u);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto year = static_cast<std::int32_t>(table.number(i, "year"));
        const auto month = static_cast<std::uint32_t>(table.number(i, "month"));
        const auto day = static_cast<std::uint32_t>(table.number(i, "day"));
        EXPECT_EQ(julian_day_number(year, month, day) - 0.5, table.number(i, "jd"))
            << year << "-" << month << "-" << day;
    }
}

}  // namespace
}  // namespace orvane

namespace orvane {
namespace {

// Literals of the right form naming no calendar day: each is refused with the
// literal and the reason.
struct ImpossibleDate {
    std::string_view literal;
    std::string_view reason;
};

class TextKernelImpossibleDates : public ::testing::TestWithParam<ImpossibleDate> {};

TEST_P(TextKernelImpossibleDates, AreRefusedWithTheLiteralAndTheReason) {
    auto date = parse_date_literal(GetParam().literal);
    ASSERT_FALSE(date.has_value()) << GetParam().literal;
    EXPECT_EQ(date.error().message(), "invalid NAIF date literal \"" + std::string(GetParam().literal) + "\": " +
                                          std::string(GetParam().reason));
}

INSTANTIATE_TEST_SUITE_P(
    DaysPastTheMonth, TextKernelImpossibleDates,
    ::testing::Values(ImpossibleDate{"@2017-JAN-4294967295", "JAN 2017 has 31 days"},
                      ImpossibleDate{"@2017-JAN-32", "JAN 2017 has 31 days"},
                      ImpossibleDate{"@2017-feb-29", "FEB 2017 has 28 days"},
                      ImpossibleDate{"@1900-FEB-29", "FEB 1900 has 28 days"},
                      ImpossibleDate{"@1972-FEB-30", "FEB 1972 has 29 days"},
                      ImpossibleDate{"@1972-APR-31", "APR 1972 has 30 days"},
                      ImpossibleDate{"@1972-NOV-31", "NOV 1972 has 30 days"}));

INSTANTIATE_TEST_SUITE_P(
    YearsOutOfRange, TextKernelImpossibleDates,
    ::testing::Values(ImpossibleDate{"@72-JAN-1", "the year must have four digits (1000 to 9999)"},
                      ImpossibleDate{"@999-DEC-31", "the year must have four digits (1000 to 9999)"},
                      ImpossibleDate{"@0-JAN-1", "the year must have four digits (1000 to 9999)"},
                      ImpossibleDate{"@10000-JAN-1", "the year must have four digits (1000 to 9999)"},
                      ImpossibleDate{"@2147483647-DEC-31", "the year must have four digits (1000 to 9999)"}));

// "+=" appends values to a keyword (creating it when it held none); "=" replaces.
struct Appending {
    std::string_view data;
    std::vector<std::string> x_tokens;
};

class TextKernelAppend : public ::testing::TestWithParam<Appending> {};

TEST_P(TextKernelAppend, AppendsInOrder) {
    AssignmentMap map = assignments_of(std::string("\\begindata\n") + std::string(GetParam().data));
    ASSERT_TRUE(map.contains("X")) << GetParam().data;
    EXPECT_EQ(tokens_of(map.at("X")), GetParam().x_tokens) << GetParam().data;
    if (map.contains("Y")) {
        EXPECT_EQ(tokens_of(map.at("Y")), std::vector<std::string>{"9"}) << GetParam().data;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, TextKernelAppend,
    ::testing::Values(Appending{"X = ( 1, 2 )\nX += ( 3 )\n", {"1", "2", "3"}},
                      Appending{"X = 1\nX+=2\n", {"1", "2"}},
                      Appending{"X += ( 3, 4 )\n", {"3", "4"}},
                      Appending{"X = ( 1,\n 2 )\nX += ( 3,\n  4 )\nY = 9\n", {"1", "2", "3", "4"}},
                      Appending{"X = 1\nY = 9\nX += 2\nX += ( 3 4 )\n", {"1", "2", "3", "4"}},
                      Appending{"X = 1\nX += 2\nX = 5\n", {"5"}},
                      Appending{"Y = 9\nX = 1\n  X   +=   @2017-JAN-1\n", {"1", "@2017-JAN-1"}}));

}  // namespace
}  // namespace orvane
