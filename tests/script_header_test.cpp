#include <gtest/gtest.h>

#include <string>

#include "script/job_script_reader.h"
#include "script/utf8.h"
#include "test_support.h"

using namespace camdrift;
using testing_support::jobScriptText;

namespace {

JobScript parseBytes(const std::string& bytes, const std::string& decimalPoint = ".",
                     ReadReport* report = nullptr) {
    return parseJobScript(decodeJobScriptBytes(bytes), decimalPoint, report);
}

int lineCountOf(const std::u16string& text) {
    ReadReport report;
    parseJobScript(text, ".", &report);
    return report.lineCount;
}

std::string utf8(const std::u16string& units) { return encodeUtf8(units); }

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

const std::string kScript = jobScriptText(
    {"in.avi", "out.avi", "/usr/bin/ffmpeg", "XVID", "1.5", "640", "360", {"k1 100 50 30 40 2"}});

struct LineCountCase {
    const char* name;
    std::u16string text;
    int lineCount;
};

void PrintTo(const LineCountCase& c, std::ostream* os) { *os << c.name; }

class LineCounting : public ::testing::TestWithParam<LineCountCase> {};

TEST_P(LineCounting, CountsReadsUntilOneRunsIntoTheEnd) {
    EXPECT_EQ(lineCountOf(GetParam().text), GetParam().lineCount);
}

std::u16string units(size_t count) { return std::u16string(count, u'x'); }

INSTANTIATE_TEST_SUITE_P(
    Cases, LineCounting,
    ::testing::Values(LineCountCase{"empty", u"", 1},
                      LineCountCase{"byteOrderMarkOnly", u"\uFEFF", 1},
                      LineCountCase{"lineWithoutEnd", u"a", 1},
                      LineCountCase{"lineWithEnd", u"a\n", 2},
                      LineCountCase{"twoLinesWithoutEnd", u"a\nb", 2},
                      LineCountCase{"onlyLineFeeds", u"\n\n", 3},
                      LineCountCase{"loneCarriageReturnsEndNoLine", u"a\rb\r", 1},
                      LineCountCase{"unitsWithoutEnd998", units(998), 1},
                      LineCountCase{"unitsWithoutEnd999", units(999), 2},
                      LineCountCase{"unitsWithEnd998", units(998) + u"\n", 2},
                      LineCountCase{"unitsWithEnd999", units(999) + u"\n", 3},
                      LineCountCase{"unitsWithoutEnd1997", units(1997), 2},
                      LineCountCase{"unitsWithoutEnd1998", units(1998), 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JobScriptHeader, ReadsEveryHeaderField) {
    ReadReport report;
    const JobScript script = parseBytes(kScript, ".", &report);
    EXPECT_EQ(utf8(script.inputPath), "in.avi");
    EXPECT_EQ(utf8(script.outputPath), "out.avi");
    EXPECT_EQ(utf8(script.muxerPath), "/usr/bin/ffmpeg");
    EXPECT_EQ(script.transitionSeconds, 1.5);
    EXPECT_EQ(script.outputWidth, 640);
    EXPECT_EQ(script.outputHeight, 360);
    EXPECT_EQ(report.lineCount, 10);
    EXPECT_TRUE(report.transitionScanned && report.widthScanned && report.heightScanned);
    EXPECT_EQ(utf8(report.transitionToken), "1.5");
    parseBytes(kScript, ".", &report);  // a reused report starts over
    EXPECT_EQ(report.attempts.size(), 2u);
}

TEST(JobScriptHeader, WindowsLineEndsGiveTheSameScript) {
    ReadReport lf, crlf;
    const JobScript a = parseBytes(kScript, ".", &lf);
    const JobScript b = parseBytes(replaceAll(kScript, "\n", "\r\n"), ".", &crlf);
    EXPECT_EQ(a.inputPath, b.inputPath);
    EXPECT_EQ(a.outputPath, b.outputPath);
    EXPECT_EQ(a.muxerPath, b.muxerPath);
    EXPECT_EQ(a.codecCode, b.codecCode);
    EXPECT_EQ(lf.lineCount, crlf.lineCount);
    ASSERT_EQ(b.keyframes.size(), 1u);
}

TEST(JobScriptHeader, LoneCarriageReturnStaysInThePath) {
    const JobScript script = parseBytes("h\nin\r.avi\nout.avi\r\r\nmux\r");
    EXPECT_EQ(utf8(script.inputPath), "in\r.avi");
    EXPECT_EQ(utf8(script.outputPath), "out.avi");
    EXPECT_EQ(utf8(script.muxerPath), "mux");
}

TEST(JobScriptHeader, ByteOrderMarkNeverCountsTowardLineOne) {
    ReadReport plain, marked;
    const JobScript a = parseBytes(kScript, ".", &plain);
    const JobScript b = parseBytes("\xEF\xBB\xBF" + kScript, ".", &marked);
    EXPECT_EQ(a.inputPath, b.inputPath);
    EXPECT_EQ(plain.lineCount, marked.lineCount);
    // 998 units and the line feed fill one read exactly; a counted mark would push
    // the line feed into the next read and shift every path.
    const JobScript full = parseBytes("\xEF\xBB\xBF" + std::string(998, 'h') + "\nin.avi\n");
    EXPECT_EQ(utf8(full.inputPath), "in.avi");
}

TEST(JobScriptHeader, BlanksAndTabsAroundPathsStay) {
    const JobScript script =
        parseBytes(jobScriptText({" in.avi\t", "\tout.avi ", "   ", "XVID", "1", "2", "2"}));
    EXPECT_EQ(utf8(script.inputPath), " in.avi\t");
    EXPECT_EQ(utf8(script.outputPath), "\tout.avi ");
    EXPECT_EQ(utf8(script.muxerPath), "   ");
    EXPECT_EQ(utf8(parseBytes(jobScriptText({"i", "o", "", "XVID", "1", "2", "2"})).muxerPath), "");
}

TEST(JobScriptHeader, NulIsAnOrdinaryCharacter) {
    const JobScript script = parseBytes(std::string("h\na\0b\n", 7));
    EXPECT_EQ(script.inputPath, std::u16string(u"a\0b", 3));
}

TEST(JobScriptHeader, InvalidUtf8ReadsAsReplacementCharacters) {
    const JobScript script = parseBytes("h\nin\xFF.avi\n\xE2\x82\n\xC0\n");
    EXPECT_EQ(script.inputPath, u"in\uFFFD.avi");
    EXPECT_EQ(script.outputPath, u"\uFFFD");
    EXPECT_EQ(script.muxerPath, u"\uFFFD");
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 37) % 256));
    ReadReport report;
    parseBytes(garbage, ".", &report);
    EXPECT_GT(report.lineCount, 0);
}

TEST(JobScriptHeader, LongPathLineSpillsIntoTheNextField) {
    const JobScript spill = parseBytes(
        jobScriptText({std::string(1200, 'x'), "out.avi", "mux", "XVID", "1", "2", "2"}));
    EXPECT_EQ(spill.inputPath, std::u16string(999, u'x'));
    EXPECT_EQ(spill.outputPath, std::u16string(201, u'x'));
    EXPECT_EQ(utf8(spill.muxerPath), "out.avi");

    const JobScript exact =
        parseBytes(jobScriptText({std::string(999, 'x'), "out.avi", "mux", "XVID", "1", "2", "2"}));
    EXPECT_EQ(exact.inputPath, std::u16string(999, u'x'));
    EXPECT_EQ(exact.outputPath, u"");
    EXPECT_EQ(utf8(exact.muxerPath), "out.avi");
}

TEST(JobScriptHeader, LineReadsCountUtf16Units) {
    std::string emoji;
    for (int i = 0; i < 499; ++i) emoji += "\xF0\x9F\x98\x80";  // two units each
    const JobScript filled =
        parseBytes(jobScriptText({emoji + "a", "out.avi", "mux", "XVID", "1", "2", "2"}));
    EXPECT_EQ(filled.inputPath.size(), 999u);
    EXPECT_EQ(filled.outputPath, u"");
    EXPECT_EQ(utf8(filled.muxerPath), "out.avi");

    const JobScript split = parseBytes(
        jobScriptText({emoji + "\xF0\x9F\x98\x80", "out.avi", "mux", "XVID", "1", "2", "2"}));
    ASSERT_EQ(split.inputPath.size(), 999u);
    EXPECT_EQ(split.inputPath.back(), u'\xD83D');
    EXPECT_EQ(split.outputPath, u"\xDE00");
}

struct CodecCase {
    const char* name;
    std::string line;
    std::string leadingBytes;  // every byte after these is zero
};

void PrintTo(const CodecCase& c, std::ostream* os) { *os << c.name; }

class CodecLine : public ::testing::TestWithParam<CodecCase> {};

TEST_P(CodecLine, GivesTheseBytes) {
    const CodecCase& c = GetParam();
    const JobScript script = parseBytes(jobScriptText({"i", "o", "", c.line, "1.5", "2", "2"}));
    const CodecCode& code = script.codecCode;
    EXPECT_EQ(std::string(code.begin(), code.begin() + c.leadingBytes.size()), c.leadingBytes);
    for (size_t i = c.leadingBytes.size(); i < code.size(); ++i) {
        EXPECT_EQ(code[i], 0) << "byte " << i;
    }
}

std::string repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CodecLine,
    ::testing::Values(
        CodecCase{"fourCharacters", "MJPG", std::string("MJPG\n\0", 6)},
        CodecCase{"twoCharacters", "AB", std::string("AB\n\0", 4)},
        CodecCase{"oneCharacterKeepsTheD", "c", std::string("c\n\0D", 4)},
        CodecCase{"emptyKeepsID", "", std::string("\n\0ID", 4)},
        CodecCase{"lineEndJustFits", std::string(98, 'a'), std::string(98, 'a') + "\n"},
        CodecCase{"lineEndLeftForTheScan", std::string(99, 'a'), std::string(99, 'a')},
        CodecCase{"restLeftForTheScan", std::string(150, 'a'), std::string(99, 'a')},
        CodecCase{"twoByteCharactersFit", repeat("\xC3\xA9", 49), repeat("\xC3\xA9", 49) + "\n"},
        CodecCase{"wholeCharactersWithin99Bytes", repeat("\xC3\xA9", 50), repeat("\xC3\xA9", 49)},
        CodecCase{"threeByteCharacters", repeat("\xE2\x82\xAC", 33), repeat("\xE2\x82\xAC", 33)},
        CodecCase{"fourByteCharacters", repeat("\xF0\x9F\x98\x80", 25),
                  repeat("\xF0\x9F\x98\x80", 24)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JobScriptHeader, CodecLineOf99KeepsTheValuesInStep) {
    const JobScript script =
        parseBytes(jobScriptText({"i", "o", "", std::string(99, 'a'), "1.5", "640", "360"}));
    EXPECT_EQ(script.transitionSeconds, 1.5);
    EXPECT_EQ(script.outputWidth, 640);
    EXPECT_EQ(script.outputHeight, 360);
}

TEST(JobScriptHeader, RestOfALongCodecLineIsScannedAsTheTransitionTime) {
    ReadReport report;
    const JobScript script = parseBytes(
        jobScriptText({"i", "o", "", std::string(150, 'a'), "1.5", "640", "360"}), ".", &report);
    EXPECT_EQ(script.transitionSeconds, 0.0);
    EXPECT_EQ(script.outputWidth, 0);
    EXPECT_EQ(script.outputHeight, 0);
    EXPECT_FALSE(report.transitionScanned || report.widthScanned || report.heightScanned);
    ASSERT_EQ(report.attempts.size(), 1u);
    EXPECT_EQ(report.attempts[0].label, std::u16string(51, u'a'));
    EXPECT_EQ(report.attempts[0].labelLine, 5);
    EXPECT_EQ(report.attempts[0].converted, 2);  // the label and the 1 of 1.5
    EXPECT_EQ(utf8(report.attempts[0].stopToken), ".5");
}

TEST(JobScriptHeader, FewerThanFiveLinesLeaveTheRestEmpty) {
    ReadReport report;
    const JobScript script = parseBytes("h\nin.avi\n", ".", &report);
    EXPECT_EQ(utf8(script.inputPath), "in.avi");
    EXPECT_EQ(script.outputPath, u"");
    EXPECT_EQ(script.muxerPath, u"");
    EXPECT_EQ(script.codecCode, defaultCodecCode());
    EXPECT_EQ(report.lineCount, 3);
    EXPECT_TRUE(report.attempts.empty());
}

TEST(JobScriptHeader, EmptyTextCountsOneLineAndKeepsEveryDefault) {
    ReadReport report;
    const JobScript script = parseJobScript(u"", ".", &report);
    EXPECT_EQ(report.lineCount, 1);
    EXPECT_EQ(script.inputPath, u"");
    EXPECT_EQ(script.codecCode, defaultCodecCode());
    EXPECT_EQ(script.transitionSeconds, 0.0);
    EXPECT_EQ(script.outputWidth, 0);
    EXPECT_EQ(script.outputHeight, 0);
    EXPECT_TRUE(script.keyframes.empty());
}

TEST(JobScriptHeader, CommaLocaleReadsACommaTime) {
    const JobScript script =
        parseBytes(jobScriptText({"i", "o", "", "XVID", "1,5", "640", "360"}), ",");
    EXPECT_EQ(script.transitionSeconds, 1.5);
    EXPECT_EQ(script.outputWidth, 640);
    EXPECT_EQ(script.outputHeight, 360);
}

TEST(JobScriptHeader, PointTimeUnderACommaLocaleThrowsTheSizeOff) {
    ReadReport report;
    const JobScript script =
        parseBytes(jobScriptText({"i", "o", "", "XVID", "1.5", "640", "360"}), ",", &report);
    EXPECT_EQ(script.transitionSeconds, 1.0);
    EXPECT_EQ(script.outputWidth, 0);
    EXPECT_EQ(script.outputHeight, 0);
    EXPECT_TRUE(report.transitionScanned);
    EXPECT_FALSE(report.widthScanned || report.heightScanned);
    ASSERT_EQ(report.attempts.size(), 1u);
    EXPECT_EQ(utf8(report.attempts[0].label), ".5");
    EXPECT_EQ(report.attempts[0].labelLine, 6);
}

TEST(JobScriptHeader, ZeroPaddedSizeIsOctal) {
    ReadReport report;
    const JobScript script =
        parseBytes(jobScriptText({"i", "o", "", "XVID", "1", "0640", "0x168"}), ".", &report);
    EXPECT_EQ(script.outputWidth, 416);
    EXPECT_EQ(script.outputHeight, 360);
    EXPECT_EQ(utf8(report.widthToken), "0640");
    EXPECT_EQ(utf8(report.heightToken), "0x168");
}

TEST(JobScriptHeader, ExactlyEightLinesMakeNoAttempt) {
    std::string eight = jobScriptText({"i", "o", "", "XVID", "1", "2", "2"});
    ReadReport withEnd, withoutEnd;
    EXPECT_TRUE(parseBytes(eight, ".", &withEnd).keyframes.empty());
    eight.pop_back();
    EXPECT_TRUE(parseBytes(eight, ".", &withoutEnd).keyframes.empty());
    EXPECT_EQ(withoutEnd.lineCount, 8);
    EXPECT_TRUE(withoutEnd.attempts.empty());
    EXPECT_EQ(withEnd.lineCount, 9);
    ASSERT_EQ(withEnd.attempts.size(), 1u);
    EXPECT_EQ(withEnd.attempts[0].converted, 0);
}

TEST(TrimLineEnd, RemovesOnlyTrailingLineEnds) {
    for (const auto& [line, trimmed] :
         std::initializer_list<std::pair<std::u16string, std::u16string>>{
             {u"a\r\n", u"a"}, {u"a\n\r\n\r", u"a"}, {u"\r\n", u""}, {u"", u""},
             {u" a \t\n", u" a \t"}, {u"a\rb", u"a\rb"}}) {
        std::u16string copy = line;
        trimLineEnd(copy);
        EXPECT_EQ(copy, trimmed);
    }
}

}  // namespace
