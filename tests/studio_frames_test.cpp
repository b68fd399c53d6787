// The studio's frames come from the run's own reader: fetched in any order,
// each is the frame a run's sequential read delivers, upright, whether the
// reader seeks (timestamps tell the frames apart), reads forward (they
// don't), or is OpenCV's capture where a run takes it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "studio/frames_by_number.h"
#include "test_support.h"
#include "video/frame_io_open.h"
#include "video/opencv_video_io_linked.h"
#include "video_fixtures.h"
#include "video_sources.h"

using namespace testing_support;
using camdrift::VideoIo;

namespace {

// What a run renders from: the reader openFrameSource gives it, read in order.
std::vector<cv::Mat> runFrames(const std::string& path, VideoIo io) {
    camdrift::OpenedSource source =
        camdrift::openFrameSource(path, io, camdrift::linkedOpenCvVideoIo);
    std::vector<cv::Mat> frames;
    cv::Mat frame;
    while (source.frames && source.frames->next() &&
           source.frames->region(cv::Rect({}, source.frames->frameSize()), frame)) {
        frames.push_back(frame.clone());
    }
    return frames;
}

// Back and forth across the keyframes (0 and 12), one frame on, short
// steps ahead that read forward, long ones that jump, the same frame twice.
const std::vector<int> kOrder = {17, 3, 4, 0, 11, 12, 23, 13, 1, 22, 5, 5, 6, 9, 21, 2};

void expectRunFramesInAnyOrder(camdrift::FramesByNumber& frames,
                               const std::vector<cv::Mat>& sequential) {
    ASSERT_EQ(frames.info().frameCount, static_cast<int32_t>(sequential.size()));
    std::vector<cv::Mat> held;  // what a caller keeps stays as it was
    for (const int n : kOrder) {
        cv::Mat frame;
        ASSERT_TRUE(frames.frameAt(n, frame)) << n;
        ASSERT_TRUE(sameImage(frame, sequential[static_cast<size_t>(n)])) << "frame " << n;
        held.push_back(frame);
    }
    for (size_t i = 0; i < kOrder.size(); ++i) {
        EXPECT_TRUE(sameImage(held[i], sequential[static_cast<size_t>(kOrder[i])]))
            << "frame " << kOrder[i] << " was written over";
    }
    cv::Mat none;
    EXPECT_FALSE(frames.frameAt(static_cast<int32_t>(sequential.size()), none));
    EXPECT_FALSE(frames.frameAt(-1, none));
    // A failed fetch leaves the reader usable.
    cv::Mat again;
    ASSERT_TRUE(frames.frameAt(7, again));
    EXPECT_TRUE(sameImage(again, sequential[7]));
}

class StudioFrames : public ::testing::TestWithParam<const char*> {};

TEST_P(StudioFrames, InAnyOrderAreTheRunsSequentialRead) {
    const std::string file = testSource(GetParam());
    ASSERT_FALSE(file.empty());
    const std::vector<cv::Mat> sequential = runFrames(file, VideoIo::Libav);
    ASSERT_EQ(sequential.size(), 24u);
    auto frames = camdrift::openFramesByNumber(file, VideoIo::Libav, camdrift::linkedOpenCvVideoIo);
    ASSERT_TRUE(frames);
    EXPECT_EQ(frames->reader(), "libav");
    expectRunFramesInAnyOrder(*frames, sequential);
}

// H.264 and MPEG-4 with B-frames, whose unreferenced frames a seek skips,
// intra-only MJPEG, turned clips; the MPEG-4 B-frames in AVI carry no
// timestamps to seek by.
INSTANTIATE_TEST_SUITE_P(Clips, StudioFrames,
                         ::testing::Values("h264_bframes.mp4", "mpeg4_bframes.mp4",
                                           "mpeg4_xvid.avi", "mpeg4_bframes.avi", "mjpeg.avi",
                                           "rotated_90.mp4", "rotated_270.mp4",
                                           "mjpeg_rotated_90.mov"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             name[name.find('.')] = '_';
                             return name;
                         });

TEST(StudioFramesFromOpenCv, WhereTheRunReadsWithOpenCvSoDoesTheStudio) {
    const std::string file = testSource("rotated_90.mp4");
    const std::vector<cv::Mat> sequential = runFrames(file, VideoIo::OpenCv);
    ASSERT_EQ(sequential.size(), 24u);
    auto frames = camdrift::openFramesByNumber(file, VideoIo::OpenCv, camdrift::linkedOpenCvVideoIo);
    ASSERT_TRUE(frames);
    EXPECT_EQ(frames->reader(), "opencv (CAMDRIFT_VIDEO_IO=opencv)");
    EXPECT_EQ(frames->info().width, 64);
    EXPECT_EQ(frames->info().height, 96);
    expectRunFramesInAnyOrder(*frames, sequential);
}

TEST(StudioFramesFromOpenCv, CaptureOptionsLeaveTheSourceToOpenCv) {
    const std::string file = testSource("h264_bframes.mp4");
    ASSERT_EQ(setenv("OPENCV_FFMPEG_CAPTURE_OPTIONS", "video_codec;h264", 1), 0);
    auto frames = camdrift::openFramesByNumber(file, VideoIo::Libav, camdrift::linkedOpenCvVideoIo);
    const std::vector<cv::Mat> sequential = runFrames(file, VideoIo::Libav);
    unsetenv("OPENCV_FFMPEG_CAPTURE_OPTIONS");
    ASSERT_TRUE(frames);
    EXPECT_EQ(frames->reader().rfind("opencv (OPENCV_FFMPEG_CAPTURE_OPTIONS is set", 0), 0u)
        << frames->reader();
    cv::Mat frame;
    ASSERT_TRUE(frames->frameAt(13, frame));
    EXPECT_TRUE(sameImage(frame, sequential[13]));
    ASSERT_TRUE(frames->frameAt(2, frame));
    EXPECT_TRUE(sameImage(frame, sequential[2]));
}

TEST(StudioFramesOpen, NothingWhereNeitherReaderOpens) {
    ScratchDir dir;
    writeFile(dir.file("not_video.mp4"), std::string(4000, 'x'));
    for (const std::string& path : {dir.file("missing.mp4"), dir.file("not_video.mp4"),
                                    std::string()}) {
        EXPECT_FALSE(camdrift::openFramesByNumber(path, VideoIo::Libav,
                                                  camdrift::linkedOpenCvVideoIo))
            << path;
    }
}

}  // namespace
