// How evenly a source's frames are spaced: the drift on made-up timestamps,
// then the probe and the preview on clips made here with FFmpeg.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "preview/job_facts.h"
#include "preview/job_warnings.h"
#include "script/job_script_reader.h"
#include "test_support.h"

using namespace camdrift;
using namespace testing_support;

namespace {

// An hour of frames, each time rounded to whole ticks as its container
// stores it: the rounding must not add up over the frames.
TEST(FrameTiming, ConstantRateStaysEvenWhateverTheTimeBaseRounds) {
    const std::vector<std::pair<double, double>> ratesAndTicks = {
        {30000.0 / 1001.0, 90000.0}, {30000.0 / 1001.0, 1000.0}, {60.0, 1000.0}};
    for (const auto& [fps, ticks] : ratesAndTicks) {
        SCOPED_TRACE(::testing::Message() << fps << " fps in ticks of 1/" << ticks << " s");
        std::vector<double> times;
        for (int i = 0; i < std::lround(3600 * fps); ++i) {
            times.push_back(std::round(i / fps * ticks) / ticks);
        }
        const std::optional<FrameTiming> timing = frameTimingOf(times, fps);
        ASSERT_TRUE(timing);
        EXPECT_LE(timing->unevenSeconds, 1.0 / ticks);
        EXPECT_LE(timing->driftSeconds, 1.0 / ticks);
    }
}

struct TimingCase {
    std::vector<double> times;
    bool wholeSource;
    std::vector<std::string> expected;
};

// Five frames over 4 s at 1 fps: a frame lasts 1 s. The times are binary
// fractions, so the boundary is exact.
TEST(TimingWarnings, FromOneFramesDrift) {
    const std::string variable = "warning: line 2: the source has a variable frame rate";
    const std::string drifts =
        "camdrift writes every frame at 1 fps, so the picture drifts from the sound by up to "
        "1.000 s";
    const std::vector<TimingCase> cases = {
        {{0, 0.5, 1.0078125, 3, 4}, true, {}},
        {{0, 0.5, 1, 3, 4}, true, {variable + " (0.5 to 2 fps); " + drifts + "\n"}},
        {{0, 0, 2}, true, {variable + "; " + drifts + "\n"}},  // no rate between shared times
        {{0, 0.5, 1, 3, 4}, false,
         {variable + " (0.5 to 2 fps); " + drifts +
          " in its first 4 s, as far as the preview reads\n"}},
    };
    for (const TimingCase& c : cases) {
        SCOPED_TRACE(c.times[2]);
        PreviewInput input = readPreviewInput(
            decodeJobScriptBytes(jobScriptText({"in.avi", "out.avi", "", "XVID", "1", "64", "36"})),
            ".");
        input.source = SourceInfo{64, 36, 1.0, 5, 0};
        input.files.writerOpens = true;
        input.sourceTiming = frameTimingOf(c.times, 1.0);
        input.sourceTiming->wholeSource = c.wholeSource;
        std::vector<std::string> lines;
        for (const Warning& warning : checkJob(input)) lines.push_back(warningLine(warning));
        EXPECT_EQ(lines, c.expected);
    }
}

// `frames` frames of a 64 x 48 pattern at `rate`, H.264 with B-frames.
bool makeClip(const std::string& path, const std::string& rate, int frames,
              const std::vector<std::string>& more = {}) {
    std::vector<std::string> argv = {"/usr/bin/ffmpeg", "-nostdin", "-loglevel", "error",
                                     "-f", "lavfi", "-i", "testsrc=size=64x48:rate=" + rate,
                                     "-frames:v", std::to_string(frames), "-c:v", "libx264"};
    argv.insert(argv.end(), more.begin(), more.end());
    argv.push_back(path);
    return run(argv).exitStatus == 0;
}

std::vector<std::string> previewWarningsOn(const ScratchDir& dir, const std::string& source) {
    writeFile(dir.file("job.txt"),
              jobScriptText({source, dir.file("out.avi"), "", "FFV1", "1", "64", "48"}));
    return previewWarnings(runCamdriftPreview({dir.file("job.txt")}).out);
}

// Frames 10 to 19 of a 25 fps pattern are left out and the others keep
// their times: 0 to 0.36 s, a gap of 0.44 s, then 0.8 to 1.96 s. The drift
// is against the rate the container reports to OpenCV, which the run
// writes at: MP4 the average (frame 10 due at 0.5 s), Matroska the
// pattern's 25 fps (the last frame due at 1.56 s).
TEST(FrameTimestamps, VariableRateWarnsWithItsLargestDrift) {
    ScratchDir dir;
    const std::vector<std::string> gap = {"-vf", "select='not(between(n,10,19))'",
                                          "-fps_mode", "passthrough"};
    ASSERT_TRUE(makeClip(dir.file("gap.mp4"), "25", 40, gap));
    ASSERT_TRUE(makeClip(dir.file("gap.mkv"), "25", 40, gap));
    const std::string variable =
        "warning: line 2: the source has a variable frame rate (2.273 to 25 fps); ";
    const std::string drifts = " fps, so the picture drifts from the sound by up to ";
    EXPECT_EQ(previewWarningsOn(dir, dir.file("gap.mp4")),
              std::vector<std::string>{variable + "camdrift writes every frame at 20" + drifts +
                                       "0.300 s\n"});
    EXPECT_EQ(previewWarningsOn(dir, dir.file("gap.mkv")),
              std::vector<std::string>{variable + "camdrift writes every frame at 25" + drifts +
                                       "0.400 s\n"});
}

// MP4 and AVI are read from their index, Matroska packet by packet. MP4
// keeps 30000/1001 and 60 fps in ticks of 1/90000 s here, as cameras write
// it; Matroska rounds every time to 1/1000 s; AVI counts frames.
TEST(FrameTimestamps, ConstantRateNeverWarns) {
    const std::vector<std::string> ticks90k = {"-video_track_timescale", "90000"};
    const std::vector<std::string> none;
    const std::vector<std::pair<std::string, std::string>> clips = {
        {"25", "c25.mp4"},          {"25", "c25.mkv"},          {"25", "c25.avi"},
        {"30000/1001", "c2997.mp4"}, {"30000/1001", "c2997.mkv"}, {"30000/1001", "c2997.avi"},
        {"60", "c60.mp4"},          {"60", "c60.mkv"},          {"60", "c60.avi"}};
    ScratchDir dir;
    for (const auto& [rate, file] : clips) {
        SCOPED_TRACE(file);
        const bool mp4 = file.find(".mp4") != std::string::npos;
        ASSERT_TRUE(makeClip(dir.file(file), rate, 90, mp4 && rate != "25" ? ticks90k : none));
        EXPECT_EQ(previewWarningsOn(dir, dir.file(file)), std::vector<std::string>{});
    }
}

// Matroska has no index of every frame, so reading it costs reading the
// file: the read stops at the byte budget and says so.
TEST(FrameTimestamps, PacketsAreReadUpToTheByteBudget) {
    ScratchDir dir;
    const std::string clip = dir.file("long.mkv");
    ASSERT_TRUE(makeClip(clip, "25", 250));
    const std::optional<FrameTimes> whole = videoFrameTimes(clip);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(whole->wholeStream);
    EXPECT_EQ(whole->seconds.size(), 250u);
    const std::optional<FrameTimes> half =
        videoFrameTimes(clip, static_cast<int64_t>(readFile(clip).size() / 2));
    ASSERT_TRUE(half);
    EXPECT_FALSE(half->wholeStream);
    EXPECT_GT(half->seconds.size(), 50u);
    EXPECT_LT(half->seconds.size(), 200u);
}

}  // namespace
