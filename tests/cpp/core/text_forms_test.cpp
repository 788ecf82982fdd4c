// The text forms every repr and error message is written with, and the shared
// text helpers (UTF-8, white space, kernel file names, checksums).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "core/errors.hpp"
#include "core/files/kernel_file.hpp"
#include "core/text/text_forms.hpp"
#include "core/text/utf8.hpp"

namespace orvane {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

TEST(TextForms, PlainFloatIsShortestWithoutExponent) {
    EXPECT_EQ(plain_float(2451545.0), "2451545");
    EXPECT_EQ(plain_float(2451545.5), "2451545.5");
    EXPECT_EQ(plain_float(0.5), "0.5");
    EXPECT_EQ(plain_float(1e-7), "0.0000001");
    EXPECT_EQ(plain_float(1e20), "100000000000000000000");
    EXPECT_EQ(plain_float(-0.0), "-0");
    EXPECT_EQ(plain_float(0.0), "0");
    EXPECT_EQ(plain_float(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(plain_float(NaN), "NaN");
    EXPECT_EQ(plain_float(Inf), "inf");
    EXPECT_EQ(plain_float(-Inf), "-inf");
    EXPECT_EQ(plain_float(-86400.0), "-86400");
    // Extremes read back to the same double.
    for (double value : {5e-324, 1.7976931348623157e308, -1e300, 123456789.123456789}) {
        EXPECT_EQ(std::strtod(plain_float(value).c_str(), nullptr), value);
        EXPECT_EQ(plain_float(value).find('e'), std::string::npos);
    }
}

TEST(TextForms, DebugFloatKeepsAFractionOrUsesExponent) {
    EXPECT_EQ(debug_float(2451545.0), "2451545.0");
    EXPECT_EQ(debug_float(0.0), "0.0");
    EXPECT_EQ(debug_float(-0.0), "-0.0");
    EXPECT_EQ(debug_float(0.5), "0.5");
    EXPECT_EQ(debug_float(1e-5), "1e-5");
    EXPECT_EQ(debug_float(0.0001), "0.0001");
    EXPECT_EQ(debug_float(0.00012), "0.00012");
    EXPECT_EQ(debug_float(1.5e16), "1.5e16");
    EXPECT_EQ(debug_float(1e16), "1e16");
    EXPECT_EQ(debug_float(9999999999999998.0), "9999999999999998.0");
    EXPECT_EQ(debug_float(-2.5e-300), "-2.5e-300");
    EXPECT_EQ(debug_float(1e300), "1e300");
    EXPECT_EQ(debug_float(NaN), "NaN");
    EXPECT_EQ(debug_float(-Inf), "-inf");
    EXPECT_EQ(optional_debug_float(std::nullopt), "None");
    EXPECT_EQ(optional_debug_float(2451545.25), "Some(2451545.25)");
    EXPECT_EQ(optional_debug_float(2451545.0), "Some(2451545.0)");
}

TEST(TextForms, QuotedEscapesControlAndNonPrintableCharacters) {
    EXPECT_EQ(quoted("de421.bsp"), "\"de421.bsp\"");
    EXPECT_EQ(quoted("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(quoted("\n\r\t"), "\"\\n\\r\\t\"");
    EXPECT_EQ(quoted(std::string_view("\0", 1)), "\"\\0\"");
    EXPECT_EQ(quoted("\x01\x1f\x7f"), "\"\\u{1}\\u{1f}\\u{7f}\"");
    EXPECT_EQ(quoted("\xc2\x85"), "\"\\u{85}\"");  // NEL, a C1 control
    EXPECT_EQ(quoted("\xe2\x80\xa8"), "\"\\u{2028}\"");  // line separator
    EXPECT_EQ(quoted("caf\xc3\xa9 \xe2\x98\x89"), "\"caf\xc3\xa9 \xe2\x98\x89\"");  // printable non-ASCII as is
    EXPECT_EQ(quoted("'"), "\"'\"");
    EXPECT_EQ(quoted(""), "\"\"");
}

TEST(TextForms, BooleanAndIntegers) {
    EXPECT_EQ(boolean(true), "true");
    EXPECT_EQ(boolean(false), "false");
    EXPECT_EQ(integer_text(-2147483648LL), "-2147483648");
    EXPECT_EQ(integer_text(4294967295LL), "4294967295");
}

TEST(Errors, TextsOfTheThreeErrorKinds) {
    EXPECT_EQ(OrvaneError::out_of_range(2600000.0, 2400000.5, 2500000.5, TimeScale::Tdb).message(),
              "Julian day 2600000 is outside kernel range 2400000.5..2500000.5 Tdb");
    EXPECT_EQ(OrvaneError::unsupported_body(Body::Mars).message(), "unsupported body: Mars");
    EXPECT_EQ(TimeConversionError::unsupported_scale(TimeScale::Ut1).message(),
              "conversion from Ut1 to TDB is not implemented");
    EXPECT_EQ(TimeConversionError::non_finite_julian_day().message(), "Julian day must be finite");
    EXPECT_EQ(message(CoordinateError::UndefinedOnZAxis), "spherical longitude is undefined on the z axis");
    EXPECT_EQ(naif_code(Body::Earth), 399);
    EXPECT_EQ(naif_code(Body::Moon), 301);
    EXPECT_EQ(name(Body::Pluto), "Pluto");
}

TEST(Utf8, ValidationAndLossyDecoding) {
    EXPECT_TRUE(is_valid_utf8("plain \xc3\xa9\xe2\x82\xac\xf0\x9f\x8c\x95"));
    EXPECT_FALSE(is_valid_utf8("\xff"));
    EXPECT_FALSE(is_valid_utf8("\xc0\xaf"));          // overlong
    EXPECT_FALSE(is_valid_utf8("\xed\xa0\x80"));      // surrogate
    EXPECT_FALSE(is_valid_utf8("\xe2\x82"));          // truncated
    EXPECT_FALSE(is_valid_utf8("\xf4\x90\x80\x80"));  // beyond U+10FFFF
    EXPECT_EQ(decode_utf8_lossy("DAF\xff"), "DAF\xef\xbf\xbd");
}

TEST(Utf8, TrimsUnicodeWhiteSpaceOnly) {
    EXPECT_EQ(trim_white_space(" \t\n Moon \xc2\xa0\xe3\x80\x80"), "Moon");
    EXPECT_EQ(trim_white_space("\xe2\x80\x8b" "Moon"), "\xe2\x80\x8b" "Moon");  // zero-width space is no white space
    EXPECT_EQ(trim_white_space("   "), "");
    EXPECT_EQ(ascii_lowercase("WHOLE-Sign \xc3\x89"), "whole-sign \xc3\x89");
}

TEST(KernelFile, FileNamesAndChecksums) {
    EXPECT_EQ(utf8_file_name("/data/de421.bsp"), "de421.bsp");
    EXPECT_EQ(utf8_file_name("data/de421.bsp/"), "de421.bsp");
    EXPECT_EQ(utf8_file_name("data/de421.bsp/."), "de421.bsp");
    EXPECT_EQ(utf8_file_name("DE421.BSP"), "DE421.BSP");
    for (const char* none : {"", "/", ".", "..", "data/..", "//"}) EXPECT_FALSE(utf8_file_name(none)) << none;
    EXPECT_FALSE(utf8_file_name("data/\xff.bsp"));
    std::string sha(64, 'A');
    EXPECT_TRUE(is_sha256_text(sha));
    EXPECT_EQ(lowercase_sha256(sha), std::string(64, 'a'));
    EXPECT_FALSE(is_sha256_text(std::string(63, 'a')));
    EXPECT_FALSE(is_sha256_text(std::string(65, 'a')));
    EXPECT_FALSE(is_sha256_text(std::string(63, 'a') + "g"));
}

}  // namespace
}  // namespace orvane
