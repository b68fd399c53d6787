// Every warning of camdrift-preview, on scripts made here and read by the
// run's own reader: exact lines, boundaries on both sides of each check.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "preview/job_facts.h"
#include "preview/job_warnings.h"
#include "script/job_script_reader.h"
#include "test_support.h"

using namespace camdrift;
using testing_support::JobScriptLines;
using testing_support::jobScriptText;

namespace {

SourceInfo hdSource() { return SourceInfo{1280, 720, 25.0, 250}; }

FileFacts fineFiles() {
    FileFacts files;
    files.writerOpens = true;
    return files;
}

std::vector<std::string> warningsOf(const PreviewInput& input) {
    std::vector<std::string> lines;
    for (const Warning& warning : checkJob(input)) lines.push_back(warningLine(warning));
    return lines;
}

// Lines 1 to 8 come from `header`, the keyframe lines and the final line
// feed from the case's own fields.
struct WarningCase {
    const char* name;
    JobScriptLines header;
    std::vector<std::string> keyframeLines;
    bool finalLineFeed;
    std::vector<std::string> expected;
};

void PrintTo(const WarningCase& c, std::ostream* os) { *os << c.name; }

class ScriptWarnings : public ::testing::TestWithParam<WarningCase> {};

TEST_P(ScriptWarnings, AreExactlyThese) {
    const WarningCase& c = GetParam();
    JobScriptLines lines = c.header;
    lines.keyframes = c.keyframeLines;
    lines.finalLineFeed = c.finalLineFeed;
    PreviewInput input = readPreviewInput(decodeJobScriptBytes(jobScriptText(lines)), ".");
    input.source = hdSource();
    input.files = fineFiles();
    EXPECT_EQ(warningsOf(input), c.expected);
}

const char* const kWriterFails = "camdrift will print \"Writer not opened!\"";

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptWarnings,
    ::testing::Values(
        WarningCase{"cleanScript", {}, {"k1 50 50 30 40 2", "k2 150 50 70 40 0"}, true, {}},
        WarningCase{"labelWithABlank", {}, {"my shot 10 50 50 50 0"}, true,
                    {"warning: line 9: keyframe \"my\" stopped at \"shot\", which is not a "
                     "number, and nothing is kept from it; a label must be one word\n"}},
        WarningCase{"missingLabel", {}, {"100 50 50 50 0", "k2 200 60 50 50 0"}, true,
                    {"warning: line 9: label \"100\" is a number; is the label missing?\n",
                     "warning: line 9: keyframe \"100\" stopped at \"k2\" on line 10 after 4 of "
                     "5 values; nothing is kept from it\n"}},
        WarningCase{"missingLabelOnTheLastLine", {}, {"k1 10 50 50 50 0", "200 60 50 50 0"},
                    true,
                    {"warning: line 10: label \"200\" is a number; is the label missing?\n",
                     "warning: line 10: keyframe \"200\" ran out of values at the end of the "
                     "file after 4 of 5; nothing is kept from it\n"}},
        WarningCase{"wordAfterTheValues", {}, {"k1 10 50 50 50 0 extra", "k2 20 60 50 50 0"},
                    true,
                    {"warning: line 9: the word \"extra\" after the keyframe's values is read as "
                     "the next keyframe's label; that attempt stopped at \"k2\" on line 10 and "
                     "nothing is kept from it\n"}},
        WarningCase{"wordAfterTheValuesLosesTheLastKeyframe", {},
                    {"k1 10 50 50 50 0 extra", "k2 20 60 50 50 0"}, false,
                    {"warning: line 9: the word \"extra\" after the keyframe's values is read as "
                     "the next keyframe's label; that attempt stopped at \"k2\" on line 10 and "
                     "nothing is kept from it\n",
                     "warning: line 10: keyframe \"k2\" is never read: failed attempts used up "
                     "the keyframe reads (one per line after line 8)\n"}},
        WarningCase{"wordsThatMakeNoKeyframeAreNeverRead", {}, {"k1 10 50 50 50 0 x y"}, false,
                    {"warning: line 9: \"x\" and what follows it is never read: the keyframe "
                     "reads (one per line after line 8) ran out\n"}},
        WarningCase{"notANumberMidway", {}, {"L1 10 abc 50 50 0", "L2 20 50 50 50 0"}, false,
                    {"warning: line 9: keyframe \"L1\" stopped at \"abc\" after 1 of 5 values; "
                     "nothing is kept from it\n",
                     "warning: line 9: keyframe \"abc\" stopped at \"L2\" on line 10 after 3 of "
                     "5 values; nothing is kept from it\n",
                     "warning: line 10: keyframe \"L2\" is never read: failed attempts used up "
                     "the keyframe reads (one per line after line 8)\n"}},
        WarningCase{"octalValuesButNotSevenOrZero", {}, {"k 050 010 07 -012 00"}, true,
                    {"warning: line 9: frame \"050\" is read as octal: 40\n",
                     "warning: line 9: zoom \"010\" is read as octal: 8\n",
                     "warning: line 9: centerY \"-012\" is read as octal: -10\n",
                     "warning: line 9: centerY -10 is outside 0 to 100; the view is pushed "
                     "back inside the frame\n"}},
        WarningCase{"hexIsNotOctal", {}, {"k 0x20 50 50 50 0"}, true, {}},
        WarningCase{"framesThatDoNotIncrease", {},
                    {"a 100 50 50 50 0", "b 100 60 50 50 0", "c 50 70 50 50 0",
                     "d 51 70 50 50 0"},
                    true,
                    {"warning: line 10: frame 100 does not come after frame 100 of the keyframe "
                     "before it (line 9)\n",
                     "warning: line 11: frame 50 does not come after frame 100 of the keyframe "
                     "before it (line 10)\n"}},
        WarningCase{"framesOutsideTheSource", {},
                    {"a -1 50 50 50 0", "b 0 50 50 50 0", "c 249 50 50 50 0",
                     "d 250 50 50 50 0"},
                    true,
                    {"warning: line 9: frame -1 is before the first frame, 0\n",
                     "warning: line 12: frame 250 is past the source's last frame, 249\n"}},
        WarningCase{"zoomBoundaries", {},
                    {"a 10 0 50 50 0", "b 20 1 50 50 0", "c 30 100 50 50 0", "d 40 101 50 50 0"},
                    true,
                    {"warning: line 9: zoom 0 is 0 or less; the view shrinks to a single pixel\n",
                     "warning: line 12: zoom 101 is over 100; the whole frame is shown\n"}},
        WarningCase{"centreBoundaries", {}, {"a 10 50 0 100 0", "b 20 50 -1 101 0"}, true,
                    {"warning: line 10: centerX -1 is outside 0 to 100; the view is pushed back "
                     "inside the frame\n",
                     "warning: line 10: centerY 101 is outside 0 to 100; the view is pushed "
                     "back inside the frame\n"}},
        WarningCase{"codeBoundaries", {},
                    {"a 10 50 50 50 -1", "b 20 50 50 50 0", "c 30 50 50 50 3", "d 40 50 50 50 4"},
                    true,
                    {"warning: line 9: transition code -1 is not 0 to 3; the view stays as it "
                     "was on the way to this keyframe\n",
                     "warning: line 12: transition code 4 is not 0 to 3; the view stays as it "
                     "was on the way to this keyframe\n"}},
        // 0.04 s at 25 fps: T is 2 for code 1, 1 for code 2, 0 for code 3.
        WarningCase{"rampOfNoFrames", {"in.avi", "out.avi", "", "XVID", "0.04"},
                    {"a 100 50 50 50 1", "b 150 60 50 50 2", "c 200 70 50 50 3"}, true,
                    {"warning: line 11: transition code 3 gives T = 0 frames at 25 fps; the "
                     "view jumps to this keyframe instead of ramping\n"}},
        // A segment no longer than T is linear whatever T is.
        WarningCase{"rampOfNoFramesOnASegmentOfNone", {"in.avi", "out.avi", "", "XVID", "0.04"},
                    {"a 100 50 50 50 0", "b 100 70 50 50 3"}, true,
                    {"warning: line 10: frame 100 does not come after frame 100 of the keyframe "
                     "before it (line 9)\n"}},
        WarningCase{"negativeTransitionTime", {"in.avi", "out.avi", "", "XVID", "-1"},
                    {"a 100 50 50 50 1"}, true,
                    {"warning: line 9: transition code 1 gives T = -50 frames at 25 fps; the "
                     "view jumps to this keyframe instead of ramping\n"}},
        WarningCase{"octalOutputSize", {"in.avi", "out.avi", "", "XVID", "1.5", "0640", "0360"},
                    {}, true,
                    {"warning: line 7: output width \"0640\" is read as octal: 416\n",
                     "warning: line 7: output size 416 x 240 has another aspect ratio than the "
                     "source's 1280 x 720; the picture will be stretched (write crop=output on line 1 "
                     "to crop in the output's shape instead)\n",
                     "warning: line 8: output height \"0360\" is read as octal: 240\n"}},
        WarningCase{"unusableOutputSize", {"in.avi", "out.avi", "", "XVID", "1.5", "0", "-360"},
                    {}, true,
                    {std::string("warning: line 7: output width 0 is not a usable size; ") +
                         kWriterFails + "\n",
                     std::string("warning: line 8: output height -360 is not a usable size; ") +
                         kWriterFails + "\n"}},
        // Within a pixel of the source's aspect ratio on either side is no
        // stretch, and one side is enough: 854 x 480 is 480.4 high at 854
        // wide; 646 x 364 is 363.4 high at 646 wide, though 647.1 wide at
        // 364 high; 641 x 360 is 360.6 high at 641 wide, though 640 wide at
        // 360 high, a whole pixel off.
        WarningCase{"aspectWithinAPixel", {"in.avi", "out.avi", "", "XVID", "1.5", "854", "480"},
                    {}, true, {}},
        WarningCase{"aspectWithinAPixelOneWayOnly",
                    {"in.avi", "out.avi", "", "XVID", "1.5", "646", "364"}, {}, true, {}},
        WarningCase{"aspectWithinAPixelOfAnOddWidth",
                    {"in.avi", "out.avi", "", "XVID", "1.5", "641", "360"}, {}, true,
                    {"warning: line 7: output size 641 x 360 is written as 640 x 360: OpenCV's "
                     "writer rounds each side down to an even number and drops the last "
                     "column\n"}},
        // 640 x 361 is a pixel off one way (360 high at 640 wide) and more the other.
        WarningCase{"aspectAPixelOffBothWays",
                    {"in.avi", "out.avi", "", "XVID", "1.5", "640", "361"}, {}, true,
                    {"warning: line 7: output size 640 x 361 has another aspect ratio than the "
                     "source's 1280 x 720; the picture will be stretched (write crop=output on line 1 "
                     "to crop in the output's shape instead)\n",
                     "warning: line 8: output size 640 x 361 is written as 640 x 360: OpenCV's "
                     "writer rounds each side down to an even number and drops the last row\n"}},
        WarningCase{"aspectStretched", {"in.avi", "out.avi", "", "XVID", "1.5", "640", "480"},
                    {}, true,
                    {"warning: line 7: output size 640 x 480 has another aspect ratio than the "
                     "source's 1280 x 720; the picture will be stretched (write crop=output on line 1 "
                     "to crop in the output's shape instead)\n"}},
        // A window of the output's shape is never stretched, whatever the shape.
        WarningCase{"outputShapedCropNeverStretches",
                    {"in.avi", "out.avi", "", "XVID", "1.5", "1080", "1920", {}, true,
                     "phones crop=output"},
                    {}, true, {}},
        WarningCase{"misspeltSettings",
                    {"in.avi", "out.avi", "", "XVID", "1.5", "640", "360", {}, true,
                     "Talk Crop=output crop=outptu E=mc2"},
                    {}, true,
                    {"warning: line 1: \"Crop=output\" looks like a setting but isn't one "
                     "camdrift knows, so it changes nothing (the settings are crop=output and "
                     "crop=source, in lower case)\n",
                     "warning: line 1: \"crop=outptu\" looks like a setting but isn't one "
                     "camdrift knows, so it changes nothing (the settings are crop=output and "
                     "crop=source, in lower case)\n"}},
        WarningCase{"otherDecimalSeparator", {"in.avi", "out.avi", "", "XVID", "1,5"}, {}, true,
                    {"warning: line 6: text \",5\" after the transition time 1 is not part of "
                     "it; the output width and height can't be read past it, and the first "
                     "keyframe's label is read from it\n",
                     "warning: line 6: keyframe \",5\" ran out of values at the end of the file "
                     "after 2 of 5; nothing is kept from it\n",
                     std::string("warning: line 7: no output width could be read; ") +
                         kWriterFails +
                         " (is the transition time written with another decimal separator "
                         "than this locale's \".\"?)\n",
                     std::string("warning: line 8: no output height could be read; ") +
                         kWriterFails + "\n"}},
        // The blank line at the end gives the failed attempt on "s" a second
        // chance, which reads k1.
        WarningCase{"unitAfterTheTransitionTime", {"in.avi", "out.avi", "", "XVID", "1.5s"},
                    {"k1 50 50 30 40 2"}, true,
                    {"warning: line 6: text \"s\" after the transition time 1.5 is not part of "
                     "it; the output width and height can't be read past it, and the first "
                     "keyframe's label is read from it\n",
                     "warning: line 6: keyframe \"s\" stopped at \"k1\" on line 9 after 2 of 5 "
                     "values; nothing is kept from it\n",
                     std::string("warning: line 7: no output width could be read; ") +
                         kWriterFails + "\n",
                     std::string("warning: line 8: no output height could be read; ") +
                         kWriterFails + "\n"}},
        // Without a line after line 8 there is no keyframe attempt to read it.
        WarningCase{"wordsAfterTheTransitionTimeAndNoKeyframeReads",
                    {"in.avi", "out.avi", "", "XVID", "1.5 \t s  long "}, {}, false,
                    {"warning: line 6: text \"s  long\" after the transition time 1.5 is not "
                     "part of it; the output width and height can't be read past it\n",
                     "warning: line 6: \"s\" and what follows it is never read: the keyframe "
                     "reads (one per line after line 8) ran out\n",
                     std::string("warning: line 7: no output width could be read; ") +
                         kWriterFails + "\n",
                     std::string("warning: line 8: no output height could be read; ") +
                         kWriterFails + "\n"}},
        // The width on line 6 moves the height to line 7 and line 8 to the keyframes.
        WarningCase{"widthAfterTheTransitionTime",
                    {"in.avi", "out.avi", "", "XVID", "1.5 640", "360", "k1"}, {}, true,
                    {"warning: line 6: text \"640\" after the transition time 1.5 is not part "
                     "of it; the output width is read from it\n",
                     "warning: line 8: keyframe \"k1\" ran out of values at the end of the file "
                     "after 0 of 5; nothing is kept from it\n"}},
        WarningCase{"blanksAfterTheTransitionTime", {"in.avi", "out.avi", "", "XVID", "1.5 \t "},
                    {}, true, {}},
        WarningCase{"noTransitionTime", {"in.avi", "out.avi", "", "XVID", "soon"}, {}, true,
                    {"warning: line 6: no transition time could be read; it is 0 s\n",
                     "warning: line 6: keyframe \"soon\" ran out of values at the end of the "
                     "file after 2 of 5; nothing is kept from it\n",
                     std::string("warning: line 7: no output width could be read; ") +
                         kWriterFails + "\n",
                     std::string("warning: line 8: no output height could be read; ") +
                         kWriterFails + "\n"}}));

PreviewInput cleanInput(JobScriptLines lines = {}) {
    lines.keyframes = {"k1 300 50 50 50 2"};
    PreviewInput input = readPreviewInput(decodeJobScriptBytes(jobScriptText(lines)), ".");
    input.source = hdSource();
    input.files = fineFiles();
    return input;
}

TEST(FileWarnings, EachFactHasItsLine) {
    JobScriptLines lines;
    lines.muxer = " /usr/bin/ffmpeg";
    PreviewInput input = cleanInput(lines);
    input.job.keyframes.clear();
    input.report.attempts.clear();
    input.source->frameCount = 0;
    input.files.outputIsSource = true;
    input.files.outputFolderExists = false;
    input.files.muxerIsExecutable = false;
    input.files.writerOpens = false;
    EXPECT_EQ(warningsOf(input),
              (std::vector<std::string>{
                  "warning: line 2: the source reports 0 frames; camdrift will write none\n",
                  "warning: line 3: the output is the source file; camdrift will refuse to run "
                  "(\"Output file is the source file!\")\n",
                  std::string("warning: line 3: the output's folder does not exist; ") +
                      kWriterFails + "\n",
                  "warning: line 4: muxer \" /usr/bin/ffmpeg\" is not an executable file; the "
                  "output will have no sound\n",
                  "warning: line 5: OpenCV's writer can't write a \".avi\" file with codec "
                  "code X V I D at 640 x 360 and 25 fps; " +
                      std::string(kWriterFails) + "\n"}));
}

TEST(FileWarnings, NoMuxerLineNeedsNoExecutable) {
    PreviewInput input = readPreviewInput(decodeJobScriptBytes(jobScriptText({})), ".");
    input.source = hdSource();
    input.files = fineFiles();
    input.files.muxerIsExecutable = false;
    EXPECT_EQ(warningsOf(input), std::vector<std::string>{});
}

// Without the source, what depends on its frame rate, size or length is not told.
TEST(SourceWarnings, UnknownSourceLeavesItsChecksOut) {
    JobScriptLines lines;
    lines.transition = "0.01";
    lines.height = "480";
    lines.keyframes = {"k1 300 50 50 50 2"};
    PreviewInput input = readPreviewInput(decodeJobScriptBytes(jobScriptText(lines)), ".");
    input.files = fineFiles();
    input.files.writerOpens = false;
    EXPECT_EQ(warningsOf(input), std::vector<std::string>{});
    input.source = hdSource();
    EXPECT_EQ(warningsOf(input).size(), 4u);
}

struct SizeCase {
    const char* width;
    const char* height;
    std::vector<std::string> expected;
};

// Without the source neither the writer nor the aspect ratio is checked:
// only what the size itself says is left.
TEST(OddSizeWarnings, EachSideFromTwoOnIsRoundedDownToEven) {
    const std::string rounds = "OpenCV's writer rounds each side down to an even number and ";
    const std::vector<SizeCase> cases = {
        {"2", "2", {}},
        {"3", "2", {"warning: line 7: output size 3 x 2 is written as 2 x 2: " + rounds +
                    "drops the last column\n"}},
        {"2", "3", {"warning: line 8: output size 2 x 3 is written as 2 x 2: " + rounds +
                    "drops the last row\n"}},
        {"641", "361", {"warning: line 7: output size 641 x 361 is written as 640 x 360: " +
                        rounds + "drops the last column and row\n"}},
        {"1", "3", {}},  // 1 would be 0: the writer doesn't open, which its own check tells
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        JobScriptLines lines;
        lines.width = c.width;
        lines.height = c.height;
        PreviewInput input = readPreviewInput(decodeJobScriptBytes(jobScriptText(lines)), ".");
        input.files = fineFiles();
        EXPECT_EQ(warningsOf(input), c.expected);
    }
}

TEST(RotationWarnings, QuarterTurnsAreShownUprightOtherAnglesAsStored) {
    const std::vector<std::pair<int32_t, std::vector<std::string>>> cases = {
        {0, {}},
        {1, {"warning: line 2: the source is rotated 1 degree by its metadata; camdrift leaves "
             "its frames as stored (1280 x 720)\n"}},
        {89, {"warning: line 2: the source is rotated 89 degrees by its metadata; camdrift "
              "leaves its frames as stored (1280 x 720)\n"}},
        {90, {"warning: line 2: the source is rotated 90 degrees by its metadata; camdrift "
              "shows it upright (1280 x 720)\n"}},
        {270, {"warning: line 2: the source is rotated 270 degrees by its metadata; camdrift "
               "shows it upright (1280 x 720)\n"}},
    };
    for (const auto& [rotation, expected] : cases) {
        SCOPED_TRACE(rotation);
        PreviewInput input = readPreviewInput(decodeJobScriptBytes(jobScriptText({})), ".");
        input.source = hdSource();
        input.source->rotation = rotation;
        input.files = fineFiles();
        EXPECT_EQ(warningsOf(input), expected);
    }
}

TEST(WarningOrder, FollowsTheLinesOfTheScript) {
    JobScriptLines script;
    script.width = "0640";
    script.keyframes = {"k 10 0 50 50 9"};
    PreviewInput input = readPreviewInput(decodeJobScriptBytes(jobScriptText(script)), ".");
    input.source = hdSource();
    input.files = fineFiles();
    input.files.outputIsSource = true;
    std::vector<int> lines;
    for (const Warning& w : checkJob(input)) lines.push_back(w.line);
    EXPECT_EQ(lines, (std::vector<int>{3, 7, 7, 9, 9}));
}

}  // namespace
