// Phone videos carry a turn in their metadata. Every frame must come out the
// way FFmpeg's own player logic shows it, whichever way OpenCV would turn it:
// the expected pictures here are FFmpeg's auto-rotated decode, not ours.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "preview/contact_sheet.h"
#include "test_support.h"

using namespace testing_support;

namespace {

constexpr int kWidth = 64;   // stored size: wider than tall, so a quarter
constexpr int kHeight = 48;  // turn shows in the size as well as the pixels
constexpr int kFrames = 6;

// FFmpeg's auto-rotated decode of every frame, as BGR images of the upright size.
std::vector<cv::Mat> ffmpegUprightFrames(const std::string& path, int width, int height) {
    const RunResult raw = run({"/bin/sh", "-c",
                               "/usr/bin/ffmpeg -nostdin -loglevel error -i '" + path +
                                   "' -f rawvideo -pix_fmt bgr24 -"});
    std::vector<cv::Mat> frames;
    const size_t frameBytes = static_cast<size_t>(width) * height * 3;
    for (size_t at = 0; at + frameBytes <= raw.out.size(); at += frameBytes) {
        frames.push_back(cv::Mat(height, width, CV_8UC3,
                                 const_cast<char*>(raw.out.data() + at)).clone());
    }
    return frames;
}

class RotatedSource : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        base_ = dir_.file("base.mp4");
        const RunResult made = run({"/usr/bin/ffmpeg", "-nostdin", "-loglevel", "error", "-f",
                                    "lavfi", "-i", "testsrc=size=64x48:rate=25", "-frames:v",
                                    std::to_string(kFrames), "-c:v", "libx264", "-pix_fmt",
                                    "yuv420p", base_});
        ASSERT_EQ(made.exitStatus, 0) << made.err;
        rotated_ = dir_.file("r" + std::to_string(GetParam()) + ".mp4");
        const RunResult turned = run({"/usr/bin/ffmpeg", "-nostdin", "-loglevel", "error", "-i",
                                      base_, "-c", "copy", "-metadata:s:v:0",
                                      "rotate=" + std::to_string(GetParam()), rotated_});
        ASSERT_EQ(turned.exitStatus, 0) << turned.err;
    }
    bool quarterTurn() const { return GetParam() == 90 || GetParam() == 270; }
    int uprightWidth() const { return quarterTurn() ? kHeight : kWidth; }
    int uprightHeight() const { return quarterTurn() ? kWidth : kHeight; }

    ScratchDir dir_;
    std::string base_;
    std::string rotated_;
};

// At zoom 100 and the upright size, camdrift's output is the upright source.
TEST_P(RotatedSource, RendersEveryFrameUprightAsFFmpegShowsIt) {
    const std::string output = dir_.file("out.avi");
    writeFile(dir_.file("job.txt"),
              jobScriptText({rotated_, output, "", "FFV1", "1", std::to_string(uprightWidth()),
                             std::to_string(uprightHeight())}));
    const RunResult result = runCamdrift({dir_.file("job.txt")});
    EXPECT_EQ(result.out, "Opened\n" + std::to_string(uprightWidth()) + "x" +
                              std::to_string(uprightHeight()) + "@25.000000\t" +
                              std::to_string(kFrames) + "\nfn2=" + output + "\nFinished!\n");
    EXPECT_EQ(result.exitStatus, 0);
    const std::vector<cv::Mat> expected =
        ffmpegUprightFrames(rotated_, uprightWidth(), uprightHeight());
    const std::vector<cv::Mat> written = readAllFrames(output);
    ASSERT_EQ(expected.size(), static_cast<size_t>(kFrames));
    ASSERT_EQ(written.size(), expected.size());
    for (size_t i = 0; i < written.size(); ++i) {
        ASSERT_EQ(written[i].size(), expected[i].size()) << "frame " << i;
        EXPECT_EQ(cv::norm(written[i], expected[i], cv::NORM_INF), 0.0) << "frame " << i;
    }
}

TEST_P(RotatedSource, ThePreviewShowsTheUprightFrames) {
    const std::vector<cv::Mat> expected =
        ffmpegUprightFrames(rotated_, uprightWidth(), uprightHeight());
    const std::vector<cv::Mat> grabbed = camdrift::grabFrames(rotated_, {0, 3}, GetParam());
    ASSERT_EQ(grabbed.size(), 2u);
    ASSERT_EQ(expected.size(), static_cast<size_t>(kFrames));
    EXPECT_EQ(cv::norm(grabbed[0], expected[0], cv::NORM_INF), 0.0);
    EXPECT_EQ(cv::norm(grabbed[1], expected[3], cv::NORM_INF), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Turns, RotatedSource, ::testing::Values(0, 90, 180, 270),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "By" + std::to_string(info.param);
                         });

}  // namespace
