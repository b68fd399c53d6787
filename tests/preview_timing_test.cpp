// How evenly a source's frames are spaced: the drift on made-up timestamps,
// then the container probe and the preview on clips made here with FFmpeg.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "preview/frame_timestamps.h"
#include "preview/frame_timing.h"
#include "preview/job_warnings.h"
#include "preview/preview_input.h"
#include "script/job_script_reader.h"
#include "test_support.h"

using namespace camdrift;
using namespace testing_support;

namespace {

// Frame i of a constant-rate stream as its container stores it: rounded to
// whole ticks of the time base.
std::vector<double> storedConstantRate(int64_t frames, double fps, double ticksPerSecond) {
    std::vector<double> times;
    for (int64_t i = 0; i < frames; ++i) {
        times.push_back(std::round(static_cast<double>(i) / fps * ticksPerSecond) /
                        ticksPerSecond);
    }
    return times;
}

struct RoundingCase {
    const char* name;
    double fps;
    double ticksPerSecond;
};

// An hour of frames: rounding each timestamp must not add up to a frame.
TEST(FrameTiming, ConstantRateStaysEvenWhateverTheTimeBaseRounds) {
    const std::vector<RoundingCase> cases = {
        {"30000/1001 in 1/90000", 30000.0 / 1001.0, 90000.0},
        {"30000/1001 in 1/1000", 30000.0 / 1001.0, 1000.0},
        {"24000/1001 in 1/1000", 24000.0 / 1001.0, 1000.0},
        {"60 in 1/1000", 60.0, 1000.0},
        {"25 in 1/90000", 25.0, 90000.0},
    };
    for (const RoundingCase& c : cases) {
        SCOPED_TRACE(c.name);
        const int64_t frames = static_cast<int64_t>(std::llround(3600.0 * c.fps));
        const std::optional<FrameTiming> timing =
            frameTimingOf(storedConstantRate(frames, c.fps, c.ticksPerSecond), c.fps);
        ASSERT_TRUE(timing);
        EXPECT_EQ(timing->frames, frames);
        EXPECT_NEAR(timing->averageFps, c.fps, c.fps * 1e-6);
        EXPECT_LE(timing->unevenSeconds, 1.0 / c.ticksPerSecond);
        EXPECT_LE(timing->driftSeconds, 1.0 / c.ticksPerSecond);
        EXPECT_FALSE(unevenByAFrame(*timing));
    }
}

// Containers list B-frames in decode order; the presentation order counts.
TEST(FrameTiming, DecodeOrderGivesThePresentationTiming) {
    const std::optional<FrameTiming> decodeOrder =
        frameTimingOf({0.0, 0.12, 0.04, 0.08, 0.6, 0.2, 0.16}, 25.0);
    const std::optional<FrameTiming> shown =
        frameTimingOf({0.0, 0.04, 0.08, 0.12, 0.16, 0.2, 0.6}, 25.0);
    ASSERT_TRUE(decodeOrder && shown);
    EXPECT_DOUBLE_EQ(decodeOrder->unevenSeconds, shown->unevenSeconds);
    EXPECT_DOUBLE_EQ(decodeOrder->driftSeconds, shown->driftSeconds);
    EXPECT_DOUBLE_EQ(decodeOrder->lowestFps, 2.5);
    EXPECT_DOUBLE_EQ(decodeOrder->highestFps, shown->highestFps);
}

TEST(FrameTiming, NeedsTwoFramesAtTwoTimes) {
    EXPECT_FALSE(frameTimingOf({}, 25.0));
    EXPECT_FALSE(frameTimingOf({1.0}, 25.0));
    EXPECT_FALSE(frameTimingOf({2.0, 2.0, 2.0}, 25.0));
    EXPECT_TRUE(frameTimingOf({2.0, 2.5}, 25.0));
}

struct TimingWarningCase {
    const char* name;
    std::vector<double> times;
    double sourceFps;
    bool wholeSource;
    std::vector<std::string> expected;
};

void PrintTo(const TimingWarningCase& c, std::ostream* os) { *os << c.name; }

class TimingWarnings : public ::testing::TestWithParam<TimingWarningCase> {};

TEST_P(TimingWarnings, AreExactlyThese) {
    const TimingWarningCase& c = GetParam();
    PreviewInput input = readPreviewInput(
        decodeJobScriptBytes(jobScriptText("in.avi", "out.avi", "", "XVID", "1.5", 640, 360)),
        ".");
    input.source = SourceInfo{1280, 720, c.sourceFps, 250, 0};
    input.files.writerOpens = true;
    input.sourceTiming = frameTimingOf(c.times, c.sourceFps);
    ASSERT_TRUE(input.sourceTiming);
    input.sourceTiming->wholeSource = c.wholeSource;
    std::vector<std::string> lines;
    for (const Warning& warning : checkJob(input)) lines.push_back(warningLine(warning));
    EXPECT_EQ(lines, c.expected);
}

// Five frames over 4 s: one frame lasts 1 s at the average rate. Values
// are binary fractions, so the boundary is exact.
INSTANTIATE_TEST_SUITE_P(
    Cases, TimingWarnings,
    ::testing::Values(
        TimingWarningCase{"evenlySpaced", {0, 1, 2, 3, 4}, 1.0, true, {}},
        TimingWarningCase{"justUnderAFrame", {0, 0.5, 1.0078125, 3, 4}, 1.0, true, {}},
        TimingWarningCase{"exactlyAFrame", {0, 0.5, 1, 3, 4}, 1.0, true,
                          {"warning: line 2: the source has a variable frame rate (0.5 to 2 "
                           "fps); camdrift writes every frame at 1 fps, so the picture drifts "
                           "from the sound by up to 1.000 s\n"}},
        // The source reports a faster rate than its frames' average: the
        // output runs short on top of the uneven spacing.
        TimingWarningCase{"writtenFasterThanTheAverage", {0, 0.5, 1, 3, 4}, 2.0, true,
                          {"warning: line 2: the source has a variable frame rate (0.5 to 2 "
                           "fps); camdrift writes every frame at 2 fps, so the picture drifts "
                           "from the sound by up to 2.000 s\n"}},
        TimingWarningCase{"twoFramesAtOneTime", {0, 0, 2}, 1.0, true,
                          {"warning: line 2: the source has a variable frame rate; camdrift "
                           "writes every frame at 1 fps, so the picture drifts from the sound "
                           "by up to 1.000 s\n"}},
        TimingWarningCase{"onlyTheFirstPartRead", {0, 0.5, 1, 3, 4}, 1.0, false,
                          {"warning: line 2: the source has a variable frame rate (0.5 to 2 "
                           "fps); camdrift writes every frame at 1 fps, so the picture drifts "
                           "from the sound by up to 1.000 s in its first 4 s, as far as the "
                           "preview reads\n"}}));

// ---- Clips made by FFmpeg ----

bool ffmpeg(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/usr/bin/ffmpeg", "-nostdin", "-loglevel", "error"};
    argv.insert(argv.end(), args.begin(), args.end());
    const RunResult made = run(argv);
    EXPECT_EQ(made.exitStatus, 0) << made.err;
    return made.exitStatus == 0;
}

// `frames` frames of a 64 x 48 test pattern at `rate`, in H.264 with B-frames.
bool makeClip(const std::string& path, const std::string& rate, int frames,
              const std::vector<std::string>& more = {}) {
    std::vector<std::string> args = {"-f", "lavfi", "-i", "testsrc=size=64x48:rate=" + rate,
                                     "-frames:v", std::to_string(frames), "-c:v", "libx264"};
    args.insert(args.end(), more.begin(), more.end());
    args.push_back(path);
    return ffmpeg(args);
}

// Frames 10 to 19 of a 25 fps pattern left out and the others kept at
// their times: frames 0-9 at 0-0.36 s, then a gap of 0.44 s, then 30 frames
// from 0.8 s to 1.96 s.
bool makeClipWithAGap(const std::string& path) {
    return makeClip(path, "25", 40,
                    {"-vf", "select='not(between(n,10,19))'", "-fps_mode", "passthrough"});
}

RunResult previewOf(const ScratchDir& dir, const std::string& source) {
    writeFile(dir.file("job.txt"),
              jobScriptText(source, dir.file("out.avi"), "", "FFV1", "1", 64, 48));
    return runCamdriftPreview({dir.file("job.txt")});
}

std::string lastLines(const std::string& text, size_t count) {
    size_t at = text.size();
    for (size_t i = 0; i <= count && at > 0; ++i) at = text.rfind('\n', at - 1);
    return at == std::string::npos ? text : text.substr(at + 1);
}

// MP4's index holds decode times, which run ahead of the presentation by
// the B-frames' delay; read past that, they agree with the times of every
// packet, which Matroska has to be read for.
TEST(FrameTimestamps, IndexAndPacketsAgree) {
    ScratchDir dir;
    ASSERT_TRUE(makeClipWithAGap(dir.file("gap.mp4")));
    ASSERT_TRUE(ffmpeg({"-i", dir.file("gap.mp4"), "-c", "copy", dir.file("gap.mkv")}));
    std::optional<FrameTimes> index = videoFrameTimes(dir.file("gap.mp4"));
    std::optional<FrameTimes> packets = videoFrameTimes(dir.file("gap.mkv"));
    ASSERT_TRUE(index && packets);
    std::sort(index->seconds.begin(), index->seconds.end());
    std::sort(packets->seconds.begin(), packets->seconds.end());
    ASSERT_EQ(packets->seconds.size(), 40u);
    ASSERT_GE(index->seconds.size(), 36u);
    ASSERT_LE(index->seconds.size(), 40u);
    for (size_t i = 0; i < index->seconds.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(index->seconds[i] - index->seconds[0],
                    packets->seconds[i] - packets->seconds[0], 0.001);
    }
    EXPECT_NEAR(packets->seconds[10] - packets->seconds[9], 0.44, 0.001);
}

// The drift as the run will have it: each container reports its own frame
// rate to OpenCV, and that is the rate the output is written at.
TEST(FrameTimestamps, VariableRateWarnsWithItsLargestDrift) {
    ScratchDir dir;
    ASSERT_TRUE(makeClipWithAGap(dir.file("gap.mp4")));
    ASSERT_TRUE(makeClipWithAGap(dir.file("gap.mkv")));
    // MP4 reports the average, 40 frames in 2 s: frame 10 is due at 0.5 s
    // and shown at 0.8 s.
    RunResult result = previewOf(dir, dir.file("gap.mp4"));
    EXPECT_EQ(lastLines(result.out, 2),
              "warning: line 2: the source has a variable frame rate (2.273 to 25 fps); "
              "camdrift writes every frame at 20 fps, so the picture drifts from the sound by "
              "up to 0.300 s\n1 warning.\n");
    // Matroska reports the pattern's 25 fps: the last frame is due at 1.56 s.
    result = previewOf(dir, dir.file("gap.mkv"));
    EXPECT_EQ(lastLines(result.out, 2),
              "warning: line 2: the source has a variable frame rate (2.273 to 25 fps); "
              "camdrift writes every frame at 25 fps, so the picture drifts from the sound by "
              "up to 0.400 s\n1 warning.\n");
}

struct ConstantRateCase {
    const char* rate;
    const char* file;
    std::vector<std::string> muxing;
};

// MP4 keeps 30000/1001 in ticks of 1/30000 s or, as cameras write it,
// 1/90000 s; Matroska rounds every time to 1/1000 s; AVI counts frames;
// MPEG-TS has ticks of 1/90000 s and no index.
TEST(FrameTimestamps, ConstantRateNeverWarns) {
    const std::vector<std::string> timescale90k = {"-video_track_timescale", "90000"};
    const std::vector<ConstantRateCase> cases = {
        {"25", "c25.mp4", {}},          {"25", "c25.mkv", {}},
        {"25", "c25.avi", {}},          {"30000/1001", "c2997.mp4", {}},
        {"30000/1001", "c2997-90k.mp4", timescale90k},
        {"30000/1001", "c2997.mkv", {}}, {"30000/1001", "c2997.avi", {}},
        {"30000/1001", "c2997.ts", {}},  {"60", "c60.mp4", timescale90k},
        {"60", "c60.mkv", {}},          {"60", "c60.avi", {}},
    };
    ScratchDir dir;
    for (const ConstantRateCase& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(makeClip(dir.file(c.file), c.rate, 90, c.muxing));
        const std::optional<FrameTimes> times = videoFrameTimes(dir.file(c.file));
        ASSERT_TRUE(times);
        EXPECT_TRUE(times->wholeStream);
        const std::optional<FrameTiming> timing = frameTimingOf(times->seconds, 0.0);
        ASSERT_TRUE(timing);
        EXPECT_GE(timing->frames, 88);  // all but the B-frame delay where the index is read
        EXPECT_LE(timing->unevenSeconds, 0.001);
        const RunResult result = previewOf(dir, dir.file(c.file));
        EXPECT_EQ(lastLines(result.out, 1), "No warnings.\n") << result.out;
    }
}

// Matroska without an index costs a read of the file: it stops at the
// byte budget and says so.
TEST(FrameTimestamps, PacketsAreReadUpToTheByteBudget) {
    ScratchDir dir;
    const std::string clip = dir.file("long.mkv");
    ASSERT_TRUE(makeClip(clip, "25", 250));
    const int64_t size = static_cast<int64_t>(readFile(clip).size());
    const std::optional<FrameTimes> whole = videoFrameTimes(clip);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(whole->wholeStream);
    EXPECT_EQ(whole->seconds.size(), 250u);
    const std::optional<FrameTimes> half = videoFrameTimes(clip, size / 2);
    ASSERT_TRUE(half);
    EXPECT_FALSE(half->wholeStream);
    EXPECT_GT(half->seconds.size(), 50u);
    EXPECT_LT(half->seconds.size(), 200u);
}

TEST(FrameTimestamps, NothingForAFileThatIsNoVideo) {
    ScratchDir dir;
    writeFile(dir.file("text.mp4"), "not a video");
    EXPECT_FALSE(videoFrameTimes(dir.file("text.mp4")));
    EXPECT_FALSE(videoFrameTimes(dir.file("missing.mkv")));
}

}  // namespace
