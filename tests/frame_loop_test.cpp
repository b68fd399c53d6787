// Whole runs on tiny lossless videos: every output frame must equal the
// decoded source frame cropped by its view and scaled bilinearly.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <opencv2/imgproc.hpp>

#include "render/crop_rect.h"
#include "render/view_track.h"
#include "running_process.h"
#include "test_support.h"

using namespace testing_support;

namespace {

constexpr int kWidth = 40;
constexpr int kHeight = 30;
constexpr double kFps = 10.0;

struct Job {
    std::string transition = "1";
    int outWidth = 20;
    int outHeight = 16;
    std::vector<std::string> keyframeLines;
    int frames = 30;
};

std::vector<camdrift::Keyframe> keyframesOf(const std::vector<std::string>& lines) {
    std::vector<camdrift::Keyframe> keyframes;
    for (const auto& line : lines) {
        char label[64];
        camdrift::Keyframe k;
        if (std::sscanf(line.c_str(), "%63s %i %i %i %i %i", label, &k.frame, &k.zoom, &k.centerX,
                        &k.centerY, &k.transition) == 6) {
            keyframes.push_back(k);
        }
    }
    return keyframes;
}

// What the file must hold: the source frame cut to the view and scaled; the
// writer stores an odd size cut down to even, keeping the top-left part.
cv::Mat expectedFrame(const cv::Mat& source, const camdrift::ViewState& view, cv::Size out) {
    cv::Mat scaled;
    if (view.zoom < 100.0) {
        cv::Rect crop = camdrift::computeCropRect(source.cols, source.rows, view);
        cv::resize(source(crop), scaled, out, 0, 0, cv::INTER_LINEAR);
    } else {
        cv::resize(source, scaled, out, 0, 0, cv::INTER_LINEAR);
    }
    return scaled(cv::Rect(0, 0, out.width & ~1, out.height & ~1)).clone();
}

void expectPixelExact(const Job& job) {
    ScratchDir dir;
    const std::string source = dir.file("src.avi");
    const std::string output = dir.file("out.avi");
    ASSERT_TRUE(writePatternVideo(source, kWidth, kHeight, job.frames, kFps));
    writeFile(dir.file("job.txt"),
              jobScriptText({source, output, "", "FFV1", job.transition,
                             std::to_string(job.outWidth), std::to_string(job.outHeight),
                             job.keyframeLines}));
    RunResult result = runCamdrift({dir.file("job.txt")});
    ASSERT_EQ(result.exitStatus, 0) << result.out;

    const std::vector<cv::Mat> sourceFrames = readAllFrames(source);
    const std::vector<cv::Mat> outputFrames = readAllFrames(output);
    ASSERT_EQ(outputFrames.size(), sourceFrames.size());
    camdrift::ViewTrack track(keyframesOf(job.keyframeLines), std::atof(job.transition.c_str()),
                              kFps);
    for (size_t i = 0; i < sourceFrames.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        const camdrift::ViewState& view = track.selectSegment(static_cast<int32_t>(i));
        cv::Mat expected = expectedFrame(sourceFrames[i], view, {job.outWidth, job.outHeight});
        ASSERT_EQ(outputFrames[i].size(), expected.size());
        ASSERT_EQ(cv::norm(outputFrames[i], expected, cv::NORM_INF), 0.0);
    }
}

// The cases above compute their expectations with the view track and crop
// code under test, so a fault there would hide behind itself. These crops
// are worked out by hand from the rules, for a 40 x 30 source at 10 fps.
TEST(PixelExactTest, HandWorkedCropsOfALeadInAndARamp) {
    struct Case {
        const char* name;
        std::vector<std::string> keyframeLines;
        std::vector<std::pair<int, cv::Rect>> crops;  // frame, crop (whole frame: 40 x 30)
    };
    const std::vector<Case> cases = {
        // Linear from (100, 50, 50) at 0 to (50, 25, 50) at 10: at 5 the view
        // is (75, 37.5, 50): 30 x 22 centred at (15, 15), pushed to x 0.
        {"linear lead-in", {"k 10 50 25 50 0"},
         {{0, {0, 0, 40, 30}}, {5, {0, 4, 30, 22}}, {10, {0, 8, 20, 15}}, {20, {0, 8, 20, 15}}}},
        // Code 2 with T = 10: held to frame 10, then (75, 75, 75) at 15, which
        // the frame's edges push to (10, 8), and (50, 100, 100) at 20.
        {"hold then ramp", {"a 0 100 50 50 0", "b 20 50 100 100 2"},
         {{9, {0, 0, 40, 30}}, {10, {0, 0, 40, 30}}, {15, {10, 8, 30, 22}},
          {20, {20, 15, 20, 15}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        const std::string source = dir.file("src.avi");
        const std::string output = dir.file("out.avi");
        ASSERT_TRUE(writePatternVideo(source, kWidth, kHeight, 25, kFps));
        writeFile(dir.file("job.txt"),
                  jobScriptText({source, output, "", "FFV1", "1", "20", "15", c.keyframeLines}));
        ASSERT_EQ(runCamdrift({dir.file("job.txt")}).exitStatus, 0);
        const std::vector<cv::Mat> sourceFrames = readAllFrames(source);
        const std::vector<cv::Mat> outputFrames = readAllFrames(output);
        ASSERT_EQ(outputFrames.size(), 25u);
        for (const auto& [frame, crop] : c.crops) {
            SCOPED_TRACE("frame " + std::to_string(frame));
            cv::Mat scaled;
            cv::resize(sourceFrames[static_cast<size_t>(frame)](crop), scaled, cv::Size(20, 15), 0,
                       0, cv::INTER_LINEAR);
            // The writer keeps the even top-left part of the odd height.
            const cv::Mat stored = scaled(cv::Rect(0, 0, 20, 14));
            EXPECT_EQ(cv::norm(outputFrames[static_cast<size_t>(frame)], stored, cv::NORM_INF), 0.0);
        }
    }
}

TEST(PixelExactTest, NoKeyframesScalesTheWholeFrame) {
    expectPixelExact(Job{});
}

TEST(PixelExactTest, LeadInAndEachTransitionCode) {
    Job job;
    job.keyframeLines = {"in 8 50 30 40 0", "a 14 60 70 60 1", "b 20 40 20 80 2",
                         "c 26 90 50 50 3"};
    expectPixelExact(job);
}

TEST(PixelExactTest, HoldThenRampLeadIn) {
    Job job;
    job.transition = "0.5";
    job.keyframeLines = {"in 20 50 0 0 2", "out 28 50 100 100 2"};
    expectPixelExact(job);
}

TEST(PixelExactTest, NegativeHugeAndUnknownTransitions) {
    for (const char* transition : {"-1", "1e300", "nan"}) {
        SCOPED_TRACE(transition);
        Job job;
        job.transition = transition;
        job.keyframeLines = {"a 5 50 10 10 2", "b 15 30 90 90 1", "c 22 70 50 50 7"};
        expectPixelExact(job);
    }
}

TEST(PixelExactTest, ZoomsPastTheUsualRangeNeverCrash) {
    Job job;
    job.keyframeLines = {"a 3 0 50 50 0", "b 6 -20 -50 150 0", "c 9 250 50 50 0",
                         "d 12 1 100 100 0"};
    expectPixelExact(job);
}

TEST(PixelExactTest, OtherAspectRatioAndOddSizes) {
    for (cv::Size out : {cv::Size(50, 12), cv::Size(15, 21), cv::Size(40, 30), cv::Size(7, 3)}) {
        SCOPED_TRACE(std::to_string(out.width) + "x" + std::to_string(out.height));
        Job job;
        job.outWidth = out.width;
        job.outHeight = out.height;
        job.frames = 12;
        job.keyframeLines = {"a 4 55 20 70 0", "b 10 80 60 40 3"};
        expectPixelExact(job);
    }
}

std::string runProgressJob(int frames) {
    ScratchDir dir;
    const std::string source = dir.file("src.avi");
    EXPECT_TRUE(writePatternVideo(source, 16, 16, frames, kFps));
    writeFile(dir.file("job.txt"),
              jobScriptText({source, dir.file("out.avi"), "", "FFV1", "1", "16", "16"}));
    RunResult result = runCamdrift({dir.file("job.txt")});
    EXPECT_EQ(result.exitStatus, 0);
    const std::string prefix = "fn2=" + dir.file("out.avi") + "\n";
    const size_t start = result.out.find(prefix);
    EXPECT_NE(start, std::string::npos);
    return result.out.substr(start + prefix.size());
}

TEST(ProgressTest, EveryHundredAndFirstFrameWithoutControlSequences) {
    EXPECT_EQ(runProgressJob(100), "Finished!\n");
    EXPECT_EQ(runProgressJob(102), "Processed: 99% (101 / 102)\nFinished!\n");
    EXPECT_EQ(runProgressJob(203),
              "Processed: 49% (101 / 203)\nProcessed: 99% (202 / 203)\nFinished!\n");
}

TEST(ProgressTest, SourceEndingEarlyKeepsItsRealFrames) {
    ScratchDir dir;
    const std::string source = dir.file("src.avi");
    ASSERT_TRUE(writePatternVideo(source, 32, 24, 40, kFps));
    // Cut the file: its header still promises 40 frames.
    std::string bytes = readFile(source);
    writeFile(source, bytes.substr(0, bytes.size() * 6 / 10));
    const size_t realFrames = readAllFrames(source).size();
    ASSERT_LT(realFrames, 40u);
    writeFile(dir.file("job.txt"),
              jobScriptText({source, dir.file("out.avi"), "", "FFV1", "1", "16", "12"}));
    RunResult result = runCamdrift({dir.file("job.txt")});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_NE(result.out.find("Finished!\n"), std::string::npos);
    EXPECT_EQ(readAllFrames(dir.file("out.avi")).size(), realFrames);
}

// On a terminal each progress line after the first is written over the one before.
TEST(ProgressTest, TerminalLinesOverwriteThePreviousOne) {
    ScratchDir dir;
    const std::string source = dir.file("src.avi");
    ASSERT_TRUE(writePatternVideo(source, 16, 16, 304, kFps));
    writeFile(dir.file("job.txt"),
              jobScriptText({source, dir.file("out.avi"), "", "FFV1", "1", "16", "16"}));
    int master = -1;
    const pid_t parent = getpid();
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        endWithParent(parent);
        const std::string exe = camdriftExe();
        const std::string job = dir.file("job.txt");
        execl(exe.c_str(), exe.c_str(), job.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string screen;
    char buffer[4096];
    ssize_t n;
    while ((n = read(master, buffer, sizeof buffer)) > 0) {
        screen.append(buffer, static_cast<size_t>(n));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string overwrite = "\x1b[1A\r\x1b[2K";
    EXPECT_NE(screen.find("\r\nProcessed: 33% (101 / 304)\r\n" + overwrite +
                          "Processed: 66% (202 / 304)\r\n" + overwrite +
                          "Processed: 99% (303 / 304)\r\nFinished!\r\n"),
              std::string::npos)
        << screen;
}

}  // namespace
