// The libav reader against OpenCV's capture on sources of many kinds: the
// same numbers, the same number of frames, the same bytes (turned upright),
// regions equal to crops of the whole frame, and frame-exact seeking.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <opencv2/core.hpp>

#include "test_support.h"
#include "video/av_source.h"
#include "video_fixtures.h"
#include "video_sources.h"

namespace {

using camdrift::AvSource;
using testing_support::ffmpeg;
using testing_support::OpenCvReading;
using testing_support::readWithOpenCv;
using testing_support::sameImage;

// The upright frame as checked against the ffmpeg tool's autorotation:
// OpenCV's own auto-rotation turns 90 and 270 the wrong way.
cv::Mat uprightReference(const cv::Mat& decoded, double angle) {
    cv::Mat out;
    if (angle == 90) {
        cv::rotate(decoded, out, cv::ROTATE_90_COUNTERCLOCKWISE);
    } else if (angle == 180) {
        cv::rotate(decoded, out, cv::ROTATE_180);
    } else if (angle == 270) {
        cv::rotate(decoded, out, cv::ROTATE_90_CLOCKWISE);
    } else {
        out = decoded;
    }
    return out;
}

struct SourceCase {
    const char* name;
    bool partConversion;  // whether regions convert only their part
    bool seekable;        // part of the seeking table
};

const SourceCase kSources[] = {
    {"mpeg4_xvid.avi", true, true},
    {"mpeg4_bframes.avi", true, false},
    {"h264_bframes.mp4", true, true},
    {"h264_coded_larger.mp4", true, false},
    {"mjpeg.avi", true, false},
    {"ffv1_odd_height.mkv", false, false},
    {"ffv1_422_odd_width.avi", true, false},
    {"ffv1_444.mkv", false, false},
    {"hevc_10bit.mkv", false, false},
    {"rotated_90.mp4", true, false},
    {"rotated_180.mp4", true, false},
    {"rotated_270.mp4", true, false},
    {"mjpeg_rotated_90.mov", true, false},
    {"one_frame.mp4", true, false},
    {"claims_more.avi", true, false},
    {"claims_fewer.avi", true, false},
    {"truncated.avi", true, false},
    {"truncated.mp4", true, false},
};

class ReaderReplica : public ::testing::TestWithParam<SourceCase> {
protected:
    void SetUp() override {
        file_ = testing_support::testSource(GetParam().name);
        if (file_.empty()) {
            if (std::string(GetParam().name) == "hevc_10bit.mkv") {
                GTEST_SKIP() << "this ffmpeg has no libx265";
            }
            FAIL() << "ffmpeg didn't make " << GetParam().name;
        }
        reference_ = readWithOpenCv(file_);
        ASSERT_TRUE(reference_.opened);
        std::string why;
        source_ = AvSource::open(file_, &why);
        ASSERT_NE(source_, nullptr) << why;
    }
    std::string file_;
    OpenCvReading reference_;
    std::unique_ptr<AvSource> source_;
};

// One test per source for numbers and frames: ctest starts a process per
// test, and each reads the source with OpenCV first.
TEST_P(ReaderReplica, ReportsOpenCvsNumbersAndFramesUpright) {
    const bool swapped = reference_.rotation == 90 || reference_.rotation == 270;
    EXPECT_EQ(source_->width(), swapped ? reference_.height : reference_.width);
    EXPECT_EQ(source_->height(), swapped ? reference_.width : reference_.height);
    EXPECT_EQ(source_->fps(), reference_.fps);
    EXPECT_EQ(source_->frameCount(), reference_.frameCount);
    EXPECT_EQ(source_->rotation(), reference_.rotation);

    size_t delivered = 0;
    cv::Mat frame;
    while (source_->grab()) {
        ASSERT_TRUE(source_->retrieve(frame));
        ASSERT_LT(delivered, reference_.frames.size()) << "more frames than OpenCV";
        const cv::Mat expected = uprightReference(reference_.frames[delivered], reference_.rotation);
        ASSERT_TRUE(sameImage(frame, expected)) << "frame " << delivered;
        ++delivered;
    }
    EXPECT_EQ(delivered, reference_.frames.size());
    // OpenCV's grab can succeed once more after a refused packet ended the
    // stream (the decoder still holds frames); the same here.
    EXPECT_EQ(source_->grab(), reference_.grabAfterEnd) << "a grab after the end";
}

// Corners on odd and even coordinates, at every edge, single pixels and
// lines, and the whole frame.
std::vector<cv::Rect> regionsFor(cv::Size s) {
    std::vector<cv::Rect> rects = {
        {0, 0, s.width, s.height}, {0, 0, 1, 1}, {s.width - 1, s.height - 1, 1, 1},
        {1, 1, 1, 1}, {17, 3, 1, 1}, {3, 5, 7, 9}, {2, 4, 6, 8}, {1, 2, 31, 17},
        {15, 1, 2, 2}, {16, 0, 16, 2}, {31, 13, 18, 21}, {0, s.height - 3, s.width, 3},
        {s.width - 5, 0, 5, s.height}, {s.width - 33, s.height - 7, 33, 7},
        {s.width / 2, s.height / 2, s.width - s.width / 2, s.height - s.height / 2},
        {5, 0, 1, s.height}, {0, 7, s.width, 1}, {s.width - 2, 1, 2, s.height - 2},
        {33, 17, s.width - 34, s.height - 18}, {14, 9, 35, 1},
    };
    return rects;
}

TEST_P(ReaderReplica, RegionsEqualCropsOfTheWholeFrame) {
    cv::Mat region;
    ASSERT_TRUE(source_->grab());
    const int w = static_cast<int>(source_->width());
    const int h = static_cast<int>(source_->height());
    for (const cv::Rect& r : {cv::Rect(-1, 0, 2, 2), cv::Rect(0, -1, 2, 2), cv::Rect(w - 1, 0, 2, 1),
                              cv::Rect(0, h - 1, 1, 2), cv::Rect(0, 0, 0, 1), cv::Rect(0, 0, 1, 0),
                              cv::Rect(0, 0, w + 1, h)}) {
        EXPECT_FALSE(source_->retrieveRegion(r, region)) << "outside: " << r;
    }
    ASSERT_TRUE(source_ = AvSource::open(file_));
    size_t index = 0;
    while (source_->grab() && index < reference_.frames.size()) {
        const cv::Mat whole = uprightReference(reference_.frames[index], reference_.rotation);
        EXPECT_EQ(source_->regionConvertsPart(), GetParam().partConversion) << "frame " << index;
        for (const cv::Rect& r : regionsFor(whole.size())) {
            ASSERT_TRUE(source_->retrieveRegion(r, region)) << r;
            ASSERT_TRUE(sameImage(region, whole(r))) << "frame " << index << " rect " << r;
        }
        // The retrieve after regions and the regions after it agree too.
        cv::Mat frame;
        ASSERT_TRUE(source_->retrieve(frame));
        ASSERT_TRUE(sameImage(frame, whole)) << "frame " << index;
        ASSERT_TRUE(source_->retrieveRegion({1, 1, 3, 3}, region));
        ASSERT_TRUE(sameImage(region, whole({1, 1, 3, 3})));
        ++index;
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, ReaderReplica, ::testing::ValuesIn(kSources),
                         [](const ::testing::TestParamInfo<SourceCase>& info) {
                             std::string name = info.param.name;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

TEST(ReaderReplicaFrames, OneDecoderThreadGivesTheSameFrames) {
    const std::string file = testing_support::testSource("h264_bframes.mp4");
    const OpenCvReading reference = readWithOpenCv(file);
    camdrift::AvSourceOptions options;
    options.decodeThreads = 1;
    auto source = AvSource::open(file, nullptr, options);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->decodeThreads(), 1);
    size_t n = 0;
    cv::Mat frame;
    while (source->grab() && source->retrieve(frame)) {
        ASSERT_LT(n, reference.frames.size());
        ASSERT_TRUE(sameImage(frame, reference.frames[n])) << "frame " << n;
        ++n;
    }
    EXPECT_EQ(n, reference.frames.size());
}

TEST(ReaderReplicaFrames, AHeldFrameSurvivesTheNextRetrieve) {
    auto source = AvSource::open(testing_support::testSource("mpeg4_xvid.avi"));
    ASSERT_NE(source, nullptr);
    cv::Mat first, copy, second;
    ASSERT_TRUE(source->grab() && source->retrieve(first));
    copy = first.clone();
    ASSERT_TRUE(source->grab() && source->retrieve(second));
    EXPECT_TRUE(sameImage(first, copy));
    EXPECT_FALSE(sameImage(first, second));
}

TEST(ReaderReplicaOpen, FailsWhereOpenCvFails) {
    testing_support::ScratchDir dir;
    testing_support::writeFile(dir.file("not_video.avi"), std::string(4000, 'x'));
    testing_support::writeFile(dir.file("empty.mp4"), "");
    ffmpeg("-f lavfi -i sine=frequency=440:duration=0.2 '" + dir.file("sound_only.wav") + "'");
    for (const std::string name : {"missing.mp4", "not_video.avi", "empty.mp4", "sound_only.wav"}) {
        EXPECT_FALSE(readWithOpenCv(dir.file(name)).opened) << name;
        std::string why;
        EXPECT_EQ(AvSource::open(dir.file(name), &why), nullptr) << name;
        EXPECT_FALSE(why.empty()) << name;
    }
}

TEST(ReaderReplicaOpen, LeavesSourcesWithCaptureOptionsToOpenCv) {
    ASSERT_EQ(setenv("OPENCV_FFMPEG_CAPTURE_OPTIONS", "video_codec;h264", 1), 0);
    std::string why;
    auto source = AvSource::open(testing_support::testSource("h264_bframes.mp4"), &why);
    unsetenv("OPENCV_FFMPEG_CAPTURE_OPTIONS");
    EXPECT_EQ(source, nullptr);
    EXPECT_NE(why.find("OPENCV_FFMPEG_CAPTURE_OPTIONS"), std::string::npos) << why;
}

// Seeking: each target frame equals the same frame of a sequential read,
// in an order that jumps back and forth across keyframes.
class ReaderSeek : public ::testing::TestWithParam<const char*> {};

TEST_P(ReaderSeek, DeliversTheFrameOfASequentialRead) {
    const std::string file = testing_support::testSource(GetParam());
    const OpenCvReading reference = readWithOpenCv(file);
    ASSERT_EQ(reference.frames.size(), 24u);
    auto source = AvSource::open(file);
    ASSERT_NE(source, nullptr);
    EXPECT_TRUE(source->seekable());
    cv::Mat frame;
    for (const int64_t target : {17, 3, 0, 11, 12, 23, 13, 1, 22, 5, 5, 6}) {
        ASSERT_TRUE(source->seek(target)) << target;
        ASSERT_TRUE(source->grab() && source->retrieve(frame)) << target;
        ASSERT_TRUE(sameImage(frame, reference.frames[static_cast<size_t>(target)])) << target;
        // Reading on after a seek continues the sequence.
        if (target + 1 < 24) {
            ASSERT_TRUE(source->grab() && source->retrieve(frame)) << target;
            ASSERT_TRUE(sameImage(frame, reference.frames[static_cast<size_t>(target + 1)]))
                << target + 1;
        }
    }
    EXPECT_FALSE(source->seek(-1));
    EXPECT_FALSE(source->seek(24));
    ASSERT_TRUE(source->seek(23));
    ASSERT_TRUE(source->grab());
    EXPECT_FALSE(source->grab()) << "the last frame was delivered";
}

// Every frame as a seek's target, and the reading on to the end: skipping
// the unreferenced frames before the target leaves it and every frame after
// it those of a sequential read.
TEST_P(ReaderSeek, EveryTargetAndAllThatFollowsIsTheSequentialRead) {
    const std::string file = testing_support::testSource(GetParam());
    const OpenCvReading reference = readWithOpenCv(file);
    ASSERT_EQ(reference.frames.size(), 24u);
    auto source = AvSource::open(file);
    ASSERT_NE(source, nullptr);
    cv::Mat frame;
    for (int64_t target = 23; target >= 0; --target) {
        ASSERT_TRUE(source->seek(target)) << target;
        for (size_t n = static_cast<size_t>(target); n < 24; ++n) {
            ASSERT_TRUE(source->grab() && source->retrieve(frame)) << target << ", then " << n;
            ASSERT_TRUE(sameImage(frame, reference.frames[n])) << target << ", then " << n;
        }
        EXPECT_FALSE(source->grab()) << target;
    }
}

INSTANTIATE_TEST_SUITE_P(Clips, ReaderSeek,
                         ::testing::Values("h264_bframes.mp4", "mpeg4_xvid.avi",
                                           "mpeg4_bframes.mp4"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param).substr(0, std::string(info.param).find('.'));
                         });

// MPEG-4 B-frames packed in AVI leave some packets without a presentation
// time; the frame can't be placed, and seek says so rather than guess.
TEST(ReaderSeekRefusal, WithoutTimestampsSeekFails) {
    auto source = AvSource::open(testing_support::testSource("mpeg4_bframes.avi"));
    ASSERT_NE(source, nullptr);
    EXPECT_FALSE(source->seekable());
    EXPECT_FALSE(source->seek(5));
}

}  // namespace
