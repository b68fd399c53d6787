// Saving: the page's job becomes text that camdrift's reader reads back as
// the same job, or the file is not touched at all.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <limits>

#include "script/job_script_reader.h"
#include "script/utf8.h"
#include "studio/job_save.h"
#include "studio/studio_job.h"
#include "studio_fixture.h"

using namespace testing_support;
using camdrift::StudioJob;
using camdrift::StudioKeyframe;
using nlohmann::json;

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

StudioJob sampleJob() {
    StudioJob job;
    job.title = "a title: kept as it is";
    job.source = "/videos/in put.mp4";
    job.output = "  out.avi\t";
    job.muxer = "";
    job.codec = "XVID";
    job.transitionSeconds = 1.5;
    job.width = 640;
    job.height = 360;
    return job;
}

StudioJob readBack(const std::string& text, const std::string& point) {
    return camdrift::jobFromText(camdrift::decodeUtf8(text), point);
}

TEST(StudioScriptText, IsTheFormatCamdriftReads) {
    StudioJob job = sampleJob();
    job.keyframes = {{"push-in", {50, 50, 30, 40, 2}}, {"back", {0, 100, -5, 105, 7}}};
    EXPECT_EQ(camdrift::scriptText(job, "."),
              "a title: kept as it is\n/videos/in put.mp4\n  out.avi\t\n\nXVID\n1.5\n640\n360\n"
              "push-in 50 50 30 40 2\nback 0 100 -5 105 7\n");
    EXPECT_NE(camdrift::scriptText(job, ",").find("\nXVID\n1,5\n640\n"), std::string::npos);
}

struct TransitionCase {
    double seconds;
    const char* point;
    const char* text;
};

class TransitionText : public ::testing::TestWithParam<TransitionCase> {};

TEST_P(TransitionText, IsShortestPlainDecimalThatReadsBackExactly) {
    const TransitionCase& c = GetParam();
    EXPECT_EQ(camdrift::transitionText(c.seconds, c.point), c.text);
    StudioJob job = sampleJob();
    job.transitionSeconds = c.seconds;
    const StudioJob read = readBack(camdrift::scriptText(job, c.point), c.point);
    EXPECT_EQ(read.transitionSeconds, c.seconds);
    EXPECT_EQ(std::signbit(read.transitionSeconds), std::signbit(c.seconds));
}

INSTANTIATE_TEST_SUITE_P(
    Table, TransitionText,
    ::testing::Values(TransitionCase{1.0, ".", "1"}, TransitionCase{0.0, ".", "0"},
                      TransitionCase{1.5, ".", "1.5"}, TransitionCase{1.5, ",", "1,5"},
                      TransitionCase{0.1, ".", "0.1"}, TransitionCase{0.1, ",", "0,1"},
                      TransitionCase{1.0 / 3.0, ".", "0.3333333333333333"},
                      TransitionCase{1e-7, ".", "0.0000001"},
                      TransitionCase{123456.789, ",", "123456,789"},
                      TransitionCase{-0.5, ".", "-0.5"},
                      TransitionCase{1e21, ".", "1000000000000000000000"},
                      TransitionCase{2.675, ".", "2.675"}));

TEST(TransitionTextLength, ExtremesAreWrittenInFullAndReadBack) {
    const std::vector<std::pair<double, size_t>> table = {
        {1e300, 301}, {-1e300, 302}, {std::numeric_limits<double>::max(), 309},
        {std::numeric_limits<double>::denorm_min(), 326}};
    for (const auto& [seconds, length] : table) {
        const std::string text = camdrift::transitionText(seconds, ".");
        EXPECT_EQ(text.size(), length) << seconds;
        StudioJob job = sampleJob();
        job.transitionSeconds = seconds;
        EXPECT_EQ(readBack(camdrift::scriptText(job, "."), ".").transitionSeconds, seconds);
    }
}

struct RoundTripCase {
    const char* name;
    std::vector<StudioKeyframe> keyframes;
};

class SaveRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(SaveRoundTrip, ReaderGivesTheSameJobAndLabels) {
    StudioJob job = sampleJob();
    job.keyframes = GetParam().keyframes;
    for (const char* point : {".", ","}) {
        const StudioJob read = readBack(camdrift::scriptText(job, point), point);
        EXPECT_EQ(camdrift::firstDifference(job, read), "") << point;
        EXPECT_TRUE(read == job) << point;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SaveRoundTrip,
    ::testing::Values(
        RoundTripCase{"none", {}},
        RoundTripCase{"zeros", {{"z", {0, 0, 0, 0, 0}}}},
        RoundTripCase{"negative", {{"neg", {-1, -50, -2, -3, -4}}}},
        RoundTripCase{"big", {{"max", {kMax, kMax, kMax, kMax, kMax}},
                              {"min", {kMin, kMin, kMin, kMin, kMin}}}},
        RoundTripCase{"octal_looking_values", {{"k", {8, 50, 9, 10, 1}}}},
        RoundTripCase{"odd_labels",
                      {{"Überblick", {1, 2, 3, 4, 0}}, {"a#b;c\"d'", {2, 2, 3, 4, 0}},
                       {"\u00A0nbsp\u00A0", {3, 2, 3, 4, 0}}, {"😀", {4, 2, 3, 4, 0}},
                       {"-", {5, 2, 3, 4, 0}}, {"050", {6, 2, 3, 4, 0}},
                       {"0x1F", {7, 2, 3, 4, 0}}, {"1,5", {8, 2, 3, 4, 0}}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveLabels, WhiteSpaceAndEmptyAreRefused) {
    for (const char* label : {"two words", "tab\there", "line\nend", "cr\r", "", " "}) {
        EXPECT_TRUE(camdrift::labelProblem(label).has_value()) << label;
    }
    for (const char* label : {"one", "050", "😀", "a\u00A0b"}) {
        EXPECT_FALSE(camdrift::labelProblem(label).has_value()) << label;
    }
}

TEST(SaveGermanLocale, DecimalCommaRoundTripsUnderTheLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    const std::string point = std::localeconv()->decimal_point;
    EXPECT_EQ(point, ",");
    StudioJob job = sampleJob();
    job.transitionSeconds = 0.75;
    job.keyframes = {{"k", {10, 50, 50, 50, 2}}};
    ScratchDir dir;
    const std::string path = dir.file("de.job");
    writeFile(path, "Titel\n");
    job.title = "Titel";
    const camdrift::SaveOutcome saved = camdrift::saveJobScript(path, job, point);
    std::setlocale(LC_ALL, previous.c_str());
    ASSERT_TRUE(saved.saved) << saved.error;
    EXPECT_EQ(readFile(path),
              "Titel\n/videos/in put.mp4\n  out.avi\t\n\nXVID\n0,75\n640\n360\nk 10 50 50 50 2\n");
    const auto read = camdrift::readJobScript(path, ",");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->transitionSeconds, 0.75);
    EXPECT_EQ(read->outputWidth, 640);
}

class SaveFile : public ::testing::Test {
protected:
    void SetUp() override { writeFile(path_, original_); }

    std::vector<std::string> folder() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    ScratchDir dir_;
    std::string path_ = dir_.file("job.txt");
    const std::string original_ = "my title\r\nold\r\nold.avi\r\n\r\nXVID\r\n1\r\n2\r\n2\r\nx 1 2 3 4 5\r\n";
};

TEST_F(SaveFile, WritesExactTextWithLineFeedsOnly) {
    StudioJob job = sampleJob();
    job.title = "my title";
    job.keyframes = {{"a", {3, 60, 40, 45, 1}}};
    const camdrift::SaveOutcome saved = camdrift::saveJobScript(path_, job, ".");
    ASSERT_TRUE(saved.saved) << saved.error;
    EXPECT_EQ(readFile(path_), "my title\n/videos/in put.mp4\n  out.avi\t\n\nXVID\n1.5\n640\n360\n"
                               "a 3 60 40 45 1\n");
    EXPECT_EQ(folder(), std::vector<std::string>{"job.txt"});
}

// A save replaces the file a link names, keeping the link, and keeps the
// file's permissions.
TEST_F(SaveFile, ThroughALinkKeepsTheLinkAndTheFilesMode) {
    ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
    const std::string link = dir_.file("link.job");
    std::filesystem::create_symlink(path_, link);
    StudioJob job = sampleJob();
    job.title = "my title";
    const camdrift::SaveOutcome saved = camdrift::saveJobScript(link, job, ".");
    ASSERT_TRUE(saved.saved) << saved.error;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(path_), saved.text);
    EXPECT_EQ(std::filesystem::status(path_).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
    std::vector<std::string> names = folder();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"job.txt", "link.job"}));
}

struct RefusedCase {
    const char* name;
    void (*spoil)(StudioJob&);
    const char* error;  // how the reason starts
};

class SaveRefused : public SaveFile, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(SaveRefused, LeavesTheFileUntouchedAndNoTemporaryFile) {
    StudioJob job = sampleJob();
    job.keyframes = {{"a", {3, 60, 40, 45, 1}}};
    GetParam().spoil(job);
    const camdrift::SaveOutcome saved = camdrift::saveJobScript(path_, job, ".");
    EXPECT_FALSE(saved.saved);
    const std::string expected = GetParam().error;
    EXPECT_EQ(saved.error.substr(0, expected.size()), expected);
    EXPECT_EQ(readFile(path_), original_);
    EXPECT_EQ(folder(), std::vector<std::string>{"job.txt"});
}

INSTANTIATE_TEST_SUITE_P(
    Table, SaveRefused,
    ::testing::Values(
        RefusedCase{"label_with_blank", [](StudioJob& j) { j.keyframes[0].label = "a b"; },
                    "keyframe 1, label \"a b\": a label must be one word, without blanks"},
        RefusedCase{"empty_label", [](StudioJob& j) { j.keyframes[0].label = ""; },
                    "keyframe 1, label \"\": a label can't be empty"},
        RefusedCase{"line_feed_in_output", [](StudioJob& j) { j.output = "a\nb.avi"; },
                    "not saved: line 3, the output reads back as \"a\", not \"a\nb.avi\""},
        RefusedCase{"carriage_return_ending_muxer", [](StudioJob& j) { j.muxer = "/bin/x\r"; },
                    "not saved: line 4, the muxer reads back as \"/bin/x\", not \"/bin/x\r\""},
        RefusedCase{"path_longer_than_a_line_read",
                    [](StudioJob& j) { j.output = std::string(1200, 'o'); },
                    "not saved: line 3, the output reads back as \"ooo"},
        RefusedCase{"codec_with_a_line_feed", [](StudioJob& j) { j.codec = "XV\nID"; },
                    "not saved: line 5, the codec code reads back as \"XV\", not \"XV\nID\""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
