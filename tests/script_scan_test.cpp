#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "script/scanf_scan.h"
#include "script/utf8.h"

using namespace camdrift;

namespace {

struct IntCase {
    const char* name;
    std::u16string text;
    bool converted;
    int32_t value;
    size_t begin;
    size_t end;
};

void PrintTo(const IntCase& c, std::ostream* os) { *os << c.name; }

class IntScanTable : public ::testing::TestWithParam<IntCase> {};

TEST_P(IntScanTable, ConvertsTheLongestIntegerPrefix) {
    const IntCase& c = GetParam();
    const Scan<int32_t> scan = scanInt(c.text, 0);
    EXPECT_EQ(scan.converted, c.converted);
    EXPECT_EQ(scan.value, c.value);
    EXPECT_EQ(scan.begin, c.begin);
    EXPECT_EQ(scan.end, c.end);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IntScanTable,
    ::testing::Values(
        IntCase{"decimal", u"640 x", true, 640, 0, 3},
        IntCase{"everySpaceSkipped", u" \t\n\v\f\r5", true, 5, 6, 7},
        IntCase{"leadingZeroIsOctal", u"010", true, 8, 0, 3},
        IntCase{"paddedPercentIsOctal", u"050", true, 40, 0, 3},
        IntCase{"eightEndsAnOctal", u"08", true, 0, 0, 1},
        IntCase{"hex", u"0x1F", true, 31, 0, 4},
        IntCase{"upperHex", u"0XaB", true, 171, 0, 4},
        IntCase{"hexPrefixWithoutDigit", u"0xg", true, 0, 0, 1},
        IntCase{"hexPrefixAtTheEnd", u"-0x", true, 0, 0, 2},
        IntCase{"negativeHex", u"-0x10", true, -16, 0, 5},
        IntCase{"plus", u"+7", true, 7, 0, 2},
        IntCase{"minus", u"-5,", true, -5, 0, 2},
        IntCase{"signAlone", u"- 5", false, 0, 0, 0},
        IntCase{"signBeforeWord", u"  +x", false, 0, 2, 2},
        IntCase{"word", u"abc", false, 0, 0, 0},
        IntCase{"nothingLeft", u"  ", false, 0, 2, 2},
        IntCase{"stopsAtDecimalPoint", u"1.5", true, 1, 0, 1},
        IntCase{"nonBreakingSpaceIsNoSpace", u"\u00A05", false, 0, 0, 0},
        IntCase{"largestInt", u"2147483647", true, 2147483647, 0, 10},
        IntCase{"wrapsPastInt32", u"2147483648", true, INT32_MIN, 0, 10},
        IntCase{"wrapsBelowInt32", u"-2147483649", true, 2147483647, 0, 11},
        IntCase{"wrapsModulo2To32", u"4294967297", true, 1, 0, 10},
        IntCase{"manyDigits", u"99999999999999999999999", true, -159383553, 0, 23},
        IntCase{"longHex", u"0xFFFFFFFFFFFFFFFFFFFF", true, -1, 0, 22}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IntScan, TakesTenMillionDigitsModulo2To32) {
    const std::u16string digits(10'000'000, u'7');
    const Scan<int32_t> scan = scanInt(digits, 0);
    EXPECT_TRUE(scan.converted);
    EXPECT_EQ(scan.end, digits.size());
    EXPECT_EQ(scan.value, 1908874353);
}

struct DoubleCase {
    const char* name;
    std::u16string text;
    std::u16string decimalPoint;
    bool converted;
    double value;
    size_t end;
};

void PrintTo(const DoubleCase& c, std::ostream* os) { *os << c.name; }

class DoubleScanTable : public ::testing::TestWithParam<DoubleCase> {};

TEST_P(DoubleScanTable, ConvertsWhatStrtodWouldUnderTheLocalePoint) {
    const DoubleCase& c = GetParam();
    const Scan<double> scan = scanDouble(c.text, 0, c.decimalPoint);
    EXPECT_EQ(scan.converted, c.converted);
    if (std::isnan(c.value)) {
        EXPECT_TRUE(std::isnan(scan.value));
    } else {
        EXPECT_EQ(scan.value, c.value);
    }
    EXPECT_EQ(scan.end, c.end);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DoubleScanTable,
    ::testing::Values(
        DoubleCase{"point", u"1.5\n", u".", true, 1.5, 3},
        DoubleCase{"spacesFirst", u" \n 2", u".", true, 2.0, 4},
        DoubleCase{"comma", u"1,5", u",", true, 1.5, 3},
        DoubleCase{"pointUnderCommaLocale", u"1.5", u",", true, 1.0, 1},
        DoubleCase{"onlyPointUnderCommaLocale", u".5", u",", false, 0.0, 0},
        DoubleCase{"commaUnderPointLocale", u"1,5", u".", true, 1.0, 1},
        DoubleCase{"secondPointEnds", u"1,5,7", u",", true, 1.5, 3},
        DoubleCase{"nonAsciiPoint", u"2\u066B25", u"\u066B", true, 2.25, 4},
        DoubleCase{"twoUnitPoint", u"2::25x", u"::", true, 2.25, 5},
        DoubleCase{"trailingPoint", u"2.x", u".", true, 2.0, 2},
        DoubleCase{"trailingTwoUnitPoint", u"2::x", u"::", true, 2.0, 3},
        DoubleCase{"exponent", u"-2.5e3", u".", true, -2500.0, 6},
        DoubleCase{"bareExponentMark", u"1e", u".", true, 1.0, 1},
        DoubleCase{"exponentSignWithoutDigit", u"3E+x", u".", true, 3.0, 1},
        DoubleCase{"hexFloat", u"0x1.8p1", u".", true, 3.0, 7},
        DoubleCase{"hexFloatComma", u"0x1,8p1", u",", true, 3.0, 7},
        DoubleCase{"inf", u"-inf,", u".", true, -HUGE_VAL, 4},
        DoubleCase{"infinity", u"INFINITYx", u".", true, HUGE_VAL, 8},
        DoubleCase{"infinit", u"infinit", u".", true, HUGE_VAL, 3},
        DoubleCase{"nanWithPayload", u"nan(ab_1)x", u".", true, NAN, 9},
        DoubleCase{"nanUnclosed", u"nan(ab", u".", true, NAN, 3},
        DoubleCase{"overflow", u"1e999", u".", true, HUGE_VAL, 5},
        DoubleCase{"word", u"abc", u".", false, 0.0, 0},
        DoubleCase{"signAlone", u"-", u".", false, 0.0, 0},
        DoubleCase{"empty", u"", u".", false, 0.0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DoubleScan, TakesATenMillionCharacterNumber) {
    const std::u16string number = u"0." + std::u16string(10'000'000, u'5') + u" 7";
    const Scan<double> scan = scanDouble(number, 0, u".");
    EXPECT_TRUE(scan.converted);
    EXPECT_EQ(scan.end, number.size() - 2);
    EXPECT_DOUBLE_EQ(scan.value, 5.0 / 9.0);
}

TEST(WordScan, TakesEverythingButAsciiWhiteSpace) {
    const std::u16string text(u"  k\0\u00A0\u3000x\ty", 9);
    Scan<NoValue> word = scanWord(text, 0);
    EXPECT_TRUE(word.converted);
    EXPECT_EQ(word.begin, 2u);
    EXPECT_EQ(word.end, 7u);
    word = scanWord(text, 7);
    EXPECT_EQ(word.begin, 8u);
    EXPECT_EQ(word.end, 9u);
    EXPECT_FALSE(scanWord(text, 9).converted);
    EXPECT_FALSE(scanWord(u" \r\n", 0).converted);
}

}  // namespace
