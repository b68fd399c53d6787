#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/job_script_reader.h"
#include "script/utf8.h"
#include "test_support.h"

using namespace camdrift;

namespace camdrift {
void PrintTo(const Keyframe& k, std::ostream* os) {
    *os << "{" << k.frame << ", " << k.zoom << ", " << k.centerX << ", " << k.centerY << ", "
        << k.transition << "}";
}
}  // namespace camdrift

namespace {

using testing_support::jobScriptText;

JobScript parseBytes(const std::string& bytes, ReadReport* report = nullptr) {
    return parseJobScript(decodeJobScriptBytes(bytes), ".", report);
}

std::string utf8(const std::u16string& units) { return encodeUtf8(units); }

struct KeyframeCase {
    const char* name;
    std::vector<std::string> lines;
    bool finalLineFeed;
    std::vector<Keyframe> accepted;
    size_t attempts;
};

void PrintTo(const KeyframeCase& c, std::ostream* os) { *os << c.name; }

class KeyframeSection : public ::testing::TestWithParam<KeyframeCase> {};

TEST_P(KeyframeSection, AcceptsTheseRecords) {
    const KeyframeCase& c = GetParam();
    ReadReport report;
    const JobScript script = parseBytes(jobScriptText({"in.avi", "out.avi", "", "XVID", "1.5",
                                                       "640", "360", c.lines, c.finalLineFeed}),
                                        &report);
    EXPECT_EQ(script.keyframes, c.accepted);
    EXPECT_EQ(report.attempts.size(), c.attempts);
    EXPECT_EQ(static_cast<int>(report.attempts.size()), report.lineCount - 8);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyframeSection,
    ::testing::Values(
        KeyframeCase{"oneLineEach",
                     {"k1 100 50 30 40 2", "k2 250 50 70 40 0"}, true,
                     {{100, 50, 30, 40, 2}, {250, 50, 70, 40, 0}}, 3},
        KeyframeCase{"octalHexAndSigns", {"k 010 0x1F -5 +7 050"}, true, {{8, 31, -5, 7, 40}}, 2},
        KeyframeCase{"eightAfterZeroIsTheNextItem", {"k 08 1 2 3 4"}, true, {{0, 8, 1, 2, 3}}, 2},
        KeyframeCase{"labelBlankThenWordIsOneAttemptLate",
                     {"key one 100 50 50 50 0", "k2 200 60 50 50 0"}, true,
                     {{100, 50, 50, 50, 0}, {200, 60, 50, 50, 0}}, 3},
        KeyframeCase{"labelBlankThenWordLosesTheLastKeyframe",
                     {"key one 100 50 50 50 0", "k2 200 60 50 50 0"}, false,
                     {{100, 50, 50, 50, 0}}, 2},
        KeyframeCase{"labelBlankThenNumberReadsOneTokenOff",
                     {"key 1 100 50 50 50 0", "k2 200 60 50 50 0"}, true,
                     {{1, 100, 50, 50, 50}, {200, 60, 50, 50, 0}}, 3},
        KeyframeCase{"missingLabelMakesTheFrameTheLabel",
                     {"100 50 50 50 0", "k2 200 60 50 50 0"}, true, {{200, 60, 50, 50, 0}}, 3},
        KeyframeCase{"trailingWordCostsTheSpareAttempt",
                     {"k1 10 50 50 50 0 extra", "k2 20 50 50 50 0", "k3 30 50 50 50 0"}, true,
                     {{10, 50, 50, 50, 0}, {20, 50, 50, 50, 0}, {30, 50, 50, 50, 0}}, 4},
        KeyframeCase{"twoTrailingWordsLoseTheLastKeyframe",
                     {"k1 10 50 50 50 0 extra words", "k2 20 50 50 50 0", "k3 30 50 50 50 0"},
                     true, {{10, 50, 50, 50, 0}, {20, 50, 50, 50, 0}}, 4},
        KeyframeCase{"blankLinesOnlyAddAttempts", {"k1 10 50 50 50 0", "", ""}, true,
                     {{10, 50, 50, 50, 0}}, 4},
        KeyframeCase{"stopTokenBecomesTheNextLabel",
                     {"L1 10 abc 50 50 0", "L2 20 50 50 50 0"}, false, {}, 2},
        KeyframeCase{"blankLineLetsALaterAttemptRecover",
                     {"L1 10 abc 50 50 0", "L2 20 50 50 50 0", ""}, false,
                     {{20, 50, 50, 50, 0}}, 3},
        KeyframeCase{"recordsSharingALineNeedTheirOwnLines",
                     {"a 1 2 3 4 5 b 6 7 8 9 10 c 11 12 13 14 15"}, false, {{1, 2, 3, 4, 5}}, 1},
        KeyframeCase{"loneCarriageReturnSeparatesButEndsNoLine",
                     {"k1 10 50 50 50 0\rk2 20 50 50 50 0"}, false, {{10, 50, 50, 50, 0}}, 1},
        KeyframeCase{"nulBelongsToTheLabel", {std::string("k\0x 1 2 3 4 5", 13)}, true,
                     {{1, 2, 3, 4, 5}}, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeyframeSection, NeverAcceptsMoreThanLineCountMinusEight) {
    for (int lines = 1; lines <= 4; ++lines) {
        std::vector<std::string> crowded(lines, "a 1 2 3 4 5 b 6 7 8 9 10 c 11 12 13 14 15");
        for (bool finalLineFeed : {false, true}) {
            ReadReport report;
            const JobScript script =
                parseBytes(jobScriptText({"in.avi", "out.avi", "", "XVID", "1.5", "640", "360",
                                          crowded, finalLineFeed}),
                           &report);
            EXPECT_EQ(static_cast<int>(script.keyframes.size()), report.lineCount - 8);
        }
    }
}

TEST(KeyframeReport, ShowsWhereEachAttemptStopped) {
    ReadReport report;
    parseBytes(jobScriptText({"in.avi", "out.avi", "", "XVID", "1.5", "640", "360",
                              {"L1 10 abc 50 50 0", "L2 20 50 50 50 0"}, false}),
               &report);
    ASSERT_EQ(report.attempts.size(), 2u);
    const KeyframeAttempt& first = report.attempts[0];
    EXPECT_EQ(first.labelLine, 9);
    EXPECT_EQ(utf8(first.label), "L1");
    EXPECT_EQ(first.converted, 2);
    EXPECT_FALSE(first.accepted);
    ASSERT_EQ(first.valueTokens.size(), 1u);
    EXPECT_EQ(utf8(first.valueTokens[0]), "10");
    EXPECT_EQ(first.values.frame, 10);
    EXPECT_EQ(utf8(first.stopToken), "abc");
    EXPECT_EQ(first.stopLine, 9);

    const KeyframeAttempt& second = report.attempts[1];
    EXPECT_EQ(second.labelLine, 9);
    EXPECT_EQ(utf8(second.label), "abc");
    EXPECT_EQ(second.converted, 4);
    EXPECT_EQ(utf8(second.stopToken), "L2");
    EXPECT_EQ(second.stopLine, 10);
}

TEST(KeyframeReport, KeepsValuesAsWrittenAndCountsFileLines) {
    ReadReport report;
    const std::string longLine = "k0 " + std::string(3000, '9');  // one file line, several reads
    parseBytes(jobScriptText({"in.avi", "out.avi", "", "XVID", "1.5", "640", "360",
                              {longLine, "", "k1 050 0x32 +50 -0 1"}}),
               &report);
    ASSERT_EQ(report.lineCount, 8 + 4 + 1 + 1 + 1);  // the long line takes four reads
    ASSERT_GE(report.attempts.size(), 2u);
    EXPECT_EQ(report.attempts[0].labelLine, 9);
    EXPECT_EQ(report.attempts[0].stopLine, 11);
    EXPECT_EQ(utf8(report.attempts[0].stopToken), "k1");
    const KeyframeAttempt& read = report.attempts[1];
    EXPECT_EQ(read.labelLine, 11);
    EXPECT_TRUE(read.accepted);
    EXPECT_EQ(read.converted, 6);
    EXPECT_EQ(read.valueTokens,
              (std::vector<std::u16string>{u"050", u"0x32", u"+50", u"-0", u"1"}));
    EXPECT_EQ(read.values.frame, 40);
    EXPECT_EQ(read.stopToken, u"");
    for (size_t i = 2; i < report.attempts.size(); ++i) {
        EXPECT_EQ(report.attempts[i].labelLine, 0);
        EXPECT_EQ(report.attempts[i].converted, 0);
        EXPECT_EQ(report.attempts[i].stopLine, 0);
    }
}

TEST(KeyframeReport, AttemptCutOffByTheEndHasNoStopToken) {
    ReadReport report;
    parseBytes(
        jobScriptText({"in.avi", "out.avi", "", "XVID", "1.5", "640", "360", {"k1 10 50"}, false}),
        &report);
    ASSERT_EQ(report.attempts.size(), 1u);
    EXPECT_EQ(report.attempts[0].converted, 3);
    EXPECT_EQ(report.attempts[0].stopToken, u"");
    EXPECT_EQ(report.attempts[0].stopLine, 0);
}

TEST(KeyframeSection, ReadsATenMillionCharacterLabelWhole) {
    ReadReport report;
    const JobScript script =
        parseBytes(jobScriptText({"in.avi", "out.avi", "", "XVID", "1.5", "640", "360",
                                  {std::string(10'000'000, 'x') + " 1 2 3 4 5"}}),
                   &report);
    EXPECT_EQ(script.keyframes, (std::vector<Keyframe>{{1, 2, 3, 4, 5}}));
    EXPECT_EQ(report.attempts[0].label.size(), 10'000'000u);
}

}  // namespace
