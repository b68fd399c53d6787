#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/utf8.h"

using camdrift::decodeUtf8;
using camdrift::encodeUtf8;

namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::u16string units;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class Utf8Decode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Utf8Decode, GivesTheExpectedUnits) {
    const DecodeCase& c = GetParam();
    const std::u16string decoded = decodeUtf8(c.bytes);
    EXPECT_EQ(std::vector<char16_t>(decoded.begin(), decoded.end()),
              std::vector<char16_t>(c.units.begin(), c.units.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8Decode,
    ::testing::Values(
        DecodeCase{"ascii", "AZ az", u"AZ az"},
        DecodeCase{"nulIsACharacter", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        DecodeCase{"twoBytes", "\xC3\xA9", u"\u00E9"},
        DecodeCase{"threeBytes", "\xE2\x82\xAC", u"\u20AC"},
        DecodeCase{"outsideTheBmpIsAPair", "\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
        DecodeCase{"strayContinuation", "\x80x", u"\uFFFDx"},
        DecodeCase{"overlongLead", "\xC0\xAF", u"\uFFFD\uFFFD"},
        // Overlong forms of "/" must never decode to a path character.
        DecodeCase{"overlongThreeBytes", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
        DecodeCase{"overlongFourBytes", "\xF0\x80\x80\xAF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        DecodeCase{"smallestThreeBytes", "\xE0\xA0\x80", u"\u0800"},
        DecodeCase{"smallestFourBytes", "\xF0\x90\x80\x80", u"\xD800\xDC00"},
        DecodeCase{"cutShortAtTheEnd", "a\xE2\x82", u"a\uFFFD"},
        DecodeCase{"cutShortBeforeAscii", "\xE2\x82" "A", u"\uFFFDA"},
        DecodeCase{"cutShortBeforeLineFeed", "\xF0\x9F\x98\n", u"\uFFFD\n"},
        DecodeCase{"encodedSurrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        DecodeCase{"pastU10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        DecodeCase{"neverALeadByte", "\xFF\xFE", u"\uFFFD\uFFFD"},
        DecodeCase{"byteOrderMarkIsKept", "\xEF\xBB\xBFx", u"\uFEFFx"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8Encode, WritesEachFormAndReplacesLoneSurrogates) {
    EXPECT_EQ(encodeUtf8(u"a\u00E9\u20AC\xD83D\xDE00"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(encodeUtf8(u"\xD83Dx"), "\xEF\xBF\xBDx");
    EXPECT_EQ(encodeUtf8(u"\xDE00"), "\xEF\xBF\xBD");
    EXPECT_EQ(encodeUtf8(std::u16string(u"\0", 1)), std::string(1, '\0'));
}

}  // namespace
