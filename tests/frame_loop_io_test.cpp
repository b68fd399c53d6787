// The frame loop against its two interfaces, with stand-ins that record
// what the loop asks: the region of every frame is the view's rectangle on
// that frame's own size, the output frames are padded so the libav writer
// never copies them, and a writer that fails a frame stops the loop there in
// either mode. Also the small pure pieces the run's choice is made of.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "render/frame_loop.h"
#include "render/frame_render.h"
#include "render/view_track.h"
#include "test_support.h"
#include "video/video_io_choice.h"

namespace {

using camdrift::FrameLoopMode;
using camdrift::LoopStop;

// Frames of a given size (which may differ from what the loop was told),
// recording every region asked for.
class RecordingSource : public camdrift::FrameSource {
public:
    RecordingSource(cv::Size size, int frames) : size_(size), frames_(frames) {}

    bool next() override {
        if (index_ >= frames_) return false;
        frame_ = testing_support::patternFrame(size_.width, size_.height, index_++);
        return true;
    }
    cv::Size frameSize() const override { return size_; }
    bool region(const cv::Rect& rect, cv::Mat& out) override {
        regions.push_back(rect);
        out = frame_(rect);
        return true;
    }

    std::vector<cv::Rect> regions;

private:
    const cv::Size size_;
    const int frames_;
    int index_ = 0;
    cv::Mat frame_;
};

// Keeps copies of the frames it is given, fails the write numbered
// `failWriteAt` and the preparation numbered `failPrepareAt` (0-based; -1
// never), and notes where and for which frame each preparation ran.
class RecordingWriter : public camdrift::FrameWriter {
public:
    explicit RecordingWriter(int failWriteAt = -1, int failPrepareAt = -1)
        : failWriteAt_(failWriteAt), failPrepareAt_(failPrepareAt) {}

    struct Index : Ahead {
        int frame = -1;
    };

    bool prepare(const cv::Mat& /*frame*/, std::unique_ptr<Ahead>& ahead) override {
        if (!ahead) ahead = std::make_unique<Index>();
        static_cast<Index&>(*ahead).frame = prepared_;
        preparedOn.push_back(std::this_thread::get_id());
        return prepared_++ != failPrepareAt_;
    }
    bool write(const cv::Mat& frame, Ahead* ahead) override {
        const int index = static_cast<int>(frames.size());
        if (index == failWriteAt_) return false;
        aheadMatched.push_back(ahead != nullptr && static_cast<Index*>(ahead)->frame == index);
        writtenOn.push_back(std::this_thread::get_id());
        frames.push_back(frame.clone());
        padded.push_back(frame.step[0] % 32 == 0 &&
                         frame.datalimit - frame.data >=
                             static_cast<std::ptrdiff_t>(frame.rows * frame.step[0] + 32));
        return true;
    }
    bool close() override { return true; }

    std::vector<cv::Mat> frames;
    std::vector<bool> padded;
    std::vector<bool> aheadMatched;
    std::vector<std::thread::id> preparedOn;
    std::vector<std::thread::id> writtenOn;

private:
    const int failWriteAt_;
    const int failPrepareAt_;
    int prepared_ = 0;
};

camdrift::JobScript movingJob() {
    camdrift::JobScript job;
    job.transitionSeconds = 0.4;
    job.outputWidth = 45;  // 135 bytes a row: not a multiple of 32 unless padded
    job.outputHeight = 31;
    job.keyframes = {{3, 47, 31, 63, 0}, {9, 100, 50, 50, 2}, {15, 29, 77, 21, 1}};
    return job;
}

struct LoopOutcome {
    camdrift::FrameLoopResult result;
    std::string console;
};

LoopOutcome runLoop(camdrift::FrameSource& source, camdrift::FrameWriter& writer,
                    const camdrift::SourceInfo& info, FrameLoopMode mode) {
    char* text = nullptr;
    size_t size = 0;
    std::FILE* stream = open_memstream(&text, &size);
    LoopOutcome outcome;
    {
        camdrift::platform::Console console(stream, false);
        outcome.result = camdrift::runFrameLoop(source, writer, info, movingJob(), console, mode);
        console.flush();
    }
    std::fclose(stream);
    outcome.console.assign(text, size);
    std::free(text);
    return outcome;
}

// The view is set on each frame's own size: here 61 x 43 frames from a
// source that reported 80 x 60.
TEST(FrameLoopIo, AsksEachFrameForTheViewsRectangleOnItsOwnSize) {
    for (const FrameLoopMode mode : {FrameLoopMode::Serial, FrameLoopMode::Pipelined}) {
        RecordingSource source(cv::Size(61, 43), 20);
        RecordingWriter writer;
        const camdrift::SourceInfo info{80, 60, 10.0, 20};
        const LoopOutcome outcome = runLoop(source, writer, info, mode);
        EXPECT_EQ(outcome.result.framesWritten, 20);
        EXPECT_EQ(outcome.result.stoppedBy, LoopStop::None);
        ASSERT_EQ(source.regions.size(), 20u);
        camdrift::ViewTrack track(movingJob().keyframes, movingJob().transitionSeconds, info.fps);
        for (int32_t i = 0; i < 20; ++i) {
            SCOPED_TRACE(i);
            const cv::Rect expected = camdrift::viewRect({61, 43}, track.selectSegment(i));
            EXPECT_EQ(source.regions[static_cast<size_t>(i)], expected);
            cv::Mat scaled;
            cv::resize(testing_support::patternFrame(61, 43, i)(expected), scaled, {45, 31}, 0, 0,
                       cv::INTER_LINEAR);
            EXPECT_EQ(cv::norm(writer.frames[static_cast<size_t>(i)], scaled, cv::NORM_INF), 0);
            EXPECT_TRUE(writer.padded[static_cast<size_t>(i)]);
        }
    }
}

// A failed write ends the loop at that frame: nothing after it is written
// and no progress is reported for it.
TEST(FrameLoopIo, AFailedWriteStopsTheLoopThere) {
    for (const FrameLoopMode mode : {FrameLoopMode::Serial, FrameLoopMode::Pipelined}) {
        for (const int failAt : {0, 1, 101, 102, 150}) {
            SCOPED_TRACE(failAt);
            RecordingSource source(cv::Size(32, 24), 200);
            RecordingWriter writer(failAt);
            const LoopOutcome outcome = runLoop(source, writer, {32, 24, 25.0, 200}, mode);
            EXPECT_EQ(outcome.result.stoppedBy, LoopStop::WriteFailed);
            EXPECT_EQ(outcome.result.framesWritten, failAt);
            EXPECT_EQ(writer.frames.size(), static_cast<size_t>(failAt));
            EXPECT_EQ(outcome.console, failAt > 101 ? "Processed: 50% (101 / 200)\n" : "");
        }
    }
}

// The writer prepares every frame on the thread that makes it (the
// pipelined loop's second thread), in order, before writing it with what
// was prepared; a frame it can't prepare is a failed write.
TEST(FrameLoopIo, PreparesEachFrameBeforeWritingIt) {
    for (const FrameLoopMode mode : {FrameLoopMode::Serial, FrameLoopMode::Pipelined}) {
        RecordingSource source(cv::Size(32, 24), 30);
        RecordingWriter writer;
        const LoopOutcome outcome = runLoop(source, writer, {32, 24, 25.0, 30}, mode);
        EXPECT_EQ(outcome.result.framesWritten, 30);
        ASSERT_EQ(writer.aheadMatched.size(), 30u);
        ASSERT_EQ(writer.preparedOn.size(), 30u);
        for (size_t i = 0; i < 30; ++i) {
            EXPECT_TRUE(writer.aheadMatched[i]) << i;
            EXPECT_EQ(writer.preparedOn[i] == writer.writtenOn[i], mode == FrameLoopMode::Serial)
                << i;
        }
        for (const int failAt : {0, 7}) {
            RecordingSource again(cv::Size(32, 24), 30);
            RecordingWriter failing(-1, failAt);
            const LoopOutcome failed = runLoop(again, failing, {32, 24, 25.0, 30}, mode);
            EXPECT_EQ(failed.result.stoppedBy, LoopStop::WriteFailed);
            EXPECT_EQ(failed.result.framesWritten, failAt);
        }
    }
}

TEST(ViewRect, TheCropUnderAHundredElseTheWholeFrame) {
    struct Case {
        camdrift::ViewState view;
        cv::Rect rect;
    };
    const Case cases[] = {
        {{100, 50, 50}, {0, 0, 61, 43}},
        {{250, 10, 90}, {0, 0, 61, 43}},
        {{std::nan(""), 50, 50}, {0, 0, 61, 43}},
        {{50, 50, 50}, {15, 11, 30, 21}},
        {{50, 0, 100}, {0, 22, 30, 21}},
        {{99.9, 50, 50}, {0, 0, 60, 42}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(camdrift::viewRect({61, 43}, c.view), c.rect) << c.view.zoom;
    }
}

TEST(PaddedFrame, RowsOfWholeCacheLinesAndATail) {
    for (const cv::Size size : {cv::Size(1, 1), cv::Size(45, 31), cv::Size(64, 2),
                                cv::Size(720, 1280), cv::Size(1280, 720)}) {
        SCOPED_TRACE(size);
        const cv::Mat frame = camdrift::paddedFrame(size);
        ASSERT_EQ(frame.size(), size);
        EXPECT_EQ(frame.type(), CV_8UC3);
        EXPECT_EQ(frame.step[0] % 64, 0u);
        EXPECT_GE(frame.datalimit - (frame.data + frame.rows * frame.step[0]), 64);
        // resize writes into it rather than replacing it.
        cv::Mat target = frame;
        cv::resize(cv::Mat(7, 5, CV_8UC3, cv::Scalar(1, 2, 3)), target, size);
        EXPECT_EQ(target.data, frame.data);
    }
    EXPECT_TRUE(camdrift::paddedFrame({0, 5}).empty());
}

TEST(VideoIoChoice, OnlyOpenCvForcesOpenCv) {
    EXPECT_EQ(camdrift::videoIoFor("opencv"), camdrift::VideoIo::OpenCv);
    for (const char* other : {"", "OpenCV", "opencv ", "libav", "default", "0"}) {
        EXPECT_EQ(camdrift::videoIoFor(other), camdrift::VideoIo::Libav) << other;
    }
    EXPECT_EQ(camdrift::videoIoFor(nullptr), camdrift::VideoIo::Libav);
}

}  // namespace
