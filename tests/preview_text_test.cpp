// The preview's report of how a script was read: codec bytes, quoting,
// number tokens, the movement into each keyframe and the whole text.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "preview/job_facts.h"
#include "preview/job_warnings.h"
#include "preview/report_text.h"
#include "script/codec_code.h"
#include "script/job_script_reader.h"
#include "test_support.h"

using namespace camdrift;

namespace {

struct CodecCase {
    std::u16string line;
    std::string shown;
};

class CodecText : public ::testing::TestWithParam<CodecCase> {};

TEST_P(CodecText, ShowsTheFirstFourBytes) {
    const CodecCode code = codecCodeFromLine(GetParam().line, defaultCodecCode());
    EXPECT_EQ(codecCodeText(code), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CodecText,
    ::testing::Values(CodecCase{u"MJPG\n", "M J P G"}, CodecCase{u"XV\n", "X V \\n \\0"},
                      CodecCase{u"X\n", "X \\n \\0 D"}, CodecCase{u"\n", "\\n \\0 I D"},
                      CodecCase{u"a b\tc\n", "a \\x20 b \\t"}, CodecCase{u"\r\n", "\\r \\n \\0 D"},
                      CodecCase{u"\u00e9t\u00e9\n", "\\xC3 \\xA9 t \\xC3"},
                      CodecCase{u"\\~\x7f\n", "\\ ~ \\x7F \\n"}));

TEST(Quoted, ShowsBlanksAndEscapesWhatHidesThem) {
    EXPECT_EQ(quoted(u" in.avi\t"), "\" in.avi\\t\"");
    EXPECT_EQ(quoted(u"a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(quoted(u"\u00fcber\x01"), "\"\u00fcber\\x01\"");
    EXPECT_EQ(quoted(u""), "\"\"");
}

TEST(NumberTokens, OctalOnlyWhenTheValueDiffersFromTheDecimalOne) {
    const std::pair<std::u16string, bool> cases[] = {
        {u"050", true}, {u"010", true}, {u"-012", true}, {u"+0100", true}, {u"0010", true},
        {u"07", false}, {u"00", false}, {u"0", false},   {u"50", false},   {u"0x20", false},
        {u"-0", false}, {u"0X1", false}};
    for (const auto& [token, octal] : cases) {
        EXPECT_EQ(readsAsSurprisingOctal(token), octal) << std::string(token.begin(), token.end());
    }
}

TEST(NumberTokens, WholeTokenMustBeANumber) {
    const std::pair<std::u16string, bool> cases[] = {
        {u"100", true},  {u"-3", true},   {u"0x1F", true}, {u"050", true}, {u"k1", false},
        {u"12ab", false}, {u"08", false}, {u"-", false},   {u"", false},   {u"push-in", false}};
    for (const auto& [token, number] : cases) {
        EXPECT_EQ(isNumberToken(token), number) << std::string(token.begin(), token.end());
    }
}

TEST(SegmentText, TellsHowTheViewGetsToTheKeyframe) {
    // 2 s at 25 fps: T is 100, 50 and 25 for codes 1, 2 and 3.
    EXPECT_EQ(segmentText(0, 100, 2.0, 25.0), "linear");
    EXPECT_EQ(segmentText(1, 101, 2.0, 25.0), "hold, then ramp over 100 frames");
    EXPECT_EQ(segmentText(1, 100, 2.0, 25.0),
              "linear (T = 100 frames is not shorter than the segment)");
    EXPECT_EQ(segmentText(3, 26, 2.0, 25.0), "hold, then ramp over 25 frames");
    EXPECT_EQ(segmentText(2, 10, 0.0, 25.0), "hold, then jump (T = 0 frames)");
    EXPECT_EQ(segmentText(2, 10, 2.0, std::nullopt), "hold, then ramp over the transition time");
    EXPECT_EQ(segmentText(1, 10, 2.0, std::nullopt),
              "hold, then ramp over twice the transition time");
    EXPECT_EQ(segmentText(7, 10, 2.0, 25.0), "the view stays as it was (unknown code)");
}

TEST(SegmentKind, FollowsTheCodeAndTheRampLength) {
    EXPECT_EQ(segmentKind(0, 10, 50), SegmentKind::Linear);
    EXPECT_EQ(segmentKind(2, 50, 50), SegmentKind::Linear);
    EXPECT_EQ(segmentKind(2, 51, 50), SegmentKind::HoldThenRamp);
    EXPECT_EQ(segmentKind(3, 1, 0), SegmentKind::HoldThenRamp);
    EXPECT_EQ(segmentKind(-1, 100, 50), SegmentKind::Stays);
    EXPECT_EQ(segmentKind(4, 100, 50), SegmentKind::Stays);
}

PreviewInput demoInput() {
    const std::string text = testing_support::jobScriptText(
        {"demo/sample.avi", "demo/sample-framed.avi", "/usr/bin/ffmpeg", "XVID", "1.5", "640",
         "360", {"push-in 50 50 30 40 2", "slide 150 50 70 40 0", "pull-out 230 100 50 50 1"}});
    return readPreviewInput(decodeJobScriptBytes(text), ".");
}

TEST(ReadingText, TellsTheHeaderTheSourceAndEveryKeyframe) {
    PreviewInput input = demoInput();
    input.source = SourceInfo{1280, 720, 25.0, 250};
    EXPECT_EQ(describeReading(input, "examples/demo.job"),
              "Job script \"examples/demo.job\", read as:\n"
              "  source video  \"demo/sample.avi\"\n"
              "  output video  \"demo/sample-framed.avi\"\n"
              "  muxer         \"/usr/bin/ffmpeg\"\n"
              "  codec code    X V I D\n"
              "  transition    1.5 s; T = 75 frames for code 1, 37 for code 2, 18 for code 3 at "
              "25 fps\n"
              "  output size   640 x 360\n"
              "  source        1280 x 720, 25 fps, 250 frames\n"
              "Keyframes: 3 accepted of 4 attempts (one per line after line 8)\n"
              "   line  label         frame   zoom  centerX  centerY  code  how the view gets "
              "there\n"
              "      9  \"push-in\"        50     50       30       40     2  hold, then ramp "
              "over 37 frames\n"
              "     10  \"slide\"         150     50       70       40     0  linear\n"
              "     11  \"pull-out\"      230    100       50       50     1  hold, then ramp "
              "over 75 frames\n");
}

TEST(ReadingText, WithoutTheSourceOrTheValuesSaysSo) {
    const std::string text = "t\nin.avi\nout.avi\n\nMJ\nsoon\n";
    PreviewInput input = readPreviewInput(decodeJobScriptBytes(text), ".");
    EXPECT_EQ(describeReading(input, "job.txt"),
              "Job script \"job.txt\", read as:\n"
              "  source video  \"in.avi\"\n"
              "  output video  \"out.avi\"\n"
              "  muxer         none (line 4 is empty): the output gets no sound\n"
              "  codec code    M J \\n \\0\n"
              "  transition    not read, so 0 s\n"
              "  output size   (not read) x (not read)\n"
              "  source        can't be opened\n"
              "Keyframes: 0 accepted of 0 attempts (one per line after line 8)\n"
              "  none: every frame shows the whole source frame\n");
}

TEST(ReadingText, TransitionWithoutTheSourceNeedsItsFrameRate) {
    const PreviewInput input = demoInput();
    const std::string text = describeReading(input, "j");
    EXPECT_NE(text.find("  transition    1.5 s (T in frames needs the source's frame rate)\n"),
              std::string::npos);
    EXPECT_NE(text.find("hold, then ramp over the transition time\n"), std::string::npos);
}

TEST(ReadingText, LabelColumnFitsWideAndNonAsciiLabels) {
    const std::string text = testing_support::jobScriptText(
        {"in.avi", "out.avi", "", "XVID", "1", "64", "48",
         {"\u00fcber 1 50 50 50 0", "a-rather-long-label 2 50 50 50 0"}});
    const PreviewInput input = readPreviewInput(decodeJobScriptBytes(text), ".");
    EXPECT_EQ(keyframeTable(input),
              "Keyframes: 2 accepted of 3 attempts (one per line after line 8)\n"
              "   line  label                    frame   zoom  centerX  centerY  code  how the "
              "view gets there\n"
              "      9  \"\u00fcber\"                       1     50       50       50     0  "
              "linear\n"
              "     10  \"a-rather-long-label\"        2     50       50       50     0  "
              "linear\n");
}

}  // namespace

// Only a job that asks for the output's shape gets a crop row, with the
// largest window the source allows.
TEST(ReadingText, TellsTheCropWindowOfAnOutputShapedJob) {
    auto cropRow = [](const std::string& sizeLines, std::optional<SourceInfo> source) {
        const std::string text = "phones crop=output\nin.mp4\nout.mp4\n\navc1\n1\n" + sizeLines;
        PreviewInput input = readPreviewInput(decodeJobScriptBytes(text), ".");
        input.source = source;
        const std::string report = describeReading(input, "j");
        const size_t at = report.find("  crop ");
        return at == std::string::npos ? std::string()
                                       : report.substr(at, report.find('\n', at) + 1 - at);
    };
    const SourceInfo hd{1920, 1080, 25.0, 250};
    EXPECT_EQ(cropRow("1080\n1920\n", hd),
              "  crop          the output's shape (crop=output on line 1): a window of at most "
              "607 x 1080, zoom 100 and up\n");
    EXPECT_EQ(cropRow("1080\n1920\n", std::nullopt),
              "  crop          the output's shape (crop=output on line 1); its largest window "
              "needs the source's size\n");
    EXPECT_EQ(cropRow("0\n1920\n", hd),
              "  crop          the output's shape (crop=output on line 1), but without a usable "
              "output size the source's\n");
}
