// Decoding ahead on a second thread must change nothing but the speed: the
// same output bytes and the same console text as the serial loop.
#include <gtest/gtest.h>

#include <cstdio>
#include <opencv2/videoio.hpp>

#include "render/frame_loop.h"
#include "script/utf8.h"
#include "video/opencv_frame_source.h"
#include "video/opencv_frame_writer.h"
#include "test_support.h"

using namespace testing_support;

namespace {

struct LoopRun {
    std::string console;
    std::string outputBytes;
    camdrift::FrameLoopResult result;
};

LoopRun runLoop(const std::string& source, const std::string& output,
                camdrift::FrameLoopMode mode, int32_t reportedFrames,
                const camdrift::StopCheck& stopCheck = [] { return camdrift::LoopStop::None; }) {
    camdrift::JobScript job;
    job.transitionSeconds = 0.5;
    job.outputWidth = 30;
    job.outputHeight = 22;
    job.keyframes = {{20, 50, 20, 30, 0}, {120, 70, 80, 60, 2}, {200, 40, 50, 50, 1}};

    camdrift::OpenCvFrameSource frames(cv::VideoCapture(source, cv::CAP_FFMPEG), 0);
    camdrift::OpenCvFrameWriter writer(
        cv::VideoWriter(output, cv::CAP_FFMPEG, cv::VideoWriter::fourcc('F', 'F', 'V', '1'), 25.0,
                        cv::Size(job.outputWidth, job.outputHeight), true));
    camdrift::SourceInfo info{48, 36, 25.0, reportedFrames};

    char* text = nullptr;
    size_t size = 0;
    std::FILE* stream = open_memstream(&text, &size);
    LoopRun run;
    {
        camdrift::platform::Console console(stream, false);
        run.result = camdrift::runFrameLoop(frames, writer, info, job, console, mode, stopCheck);
        console.flush();
    }
    writer.close();
    std::fclose(stream);
    run.console.assign(text, size);
    std::free(text);
    run.outputBytes = readFile(output);
    return run;
}

TEST(FrameLoopModesTest, PipelinedAndSerialWriteTheSameBytesAndLines) {
    ScratchDir dir;
    ASSERT_TRUE(writePatternVideo(dir.file("src.avi"), 48, 36, 230, 25.0));
    // 230 real frames; reporting 250 also takes the early end through both loops.
    for (int32_t reported : {230, 120, 250}) {
        SCOPED_TRACE(reported);
        LoopRun serial = runLoop(dir.file("src.avi"), dir.file("serial.avi"),
                                 camdrift::FrameLoopMode::Serial, reported);
        LoopRun pipelined = runLoop(dir.file("src.avi"), dir.file("pipelined.avi"),
                                    camdrift::FrameLoopMode::Pipelined, reported);
        EXPECT_EQ(serial.result.framesWritten, std::min(reported, 230));
        EXPECT_EQ(pipelined.result.framesWritten, serial.result.framesWritten);
        EXPECT_EQ(pipelined.console, serial.console);
        EXPECT_FALSE(serial.outputBytes.empty());
        EXPECT_TRUE(pipelined.outputBytes == serial.outputBytes);
    }
}

TEST(FrameLoopModesTest, BothStopAtTheSameFrameAndSayWhy) {
    ScratchDir dir;
    ASSERT_TRUE(writePatternVideo(dir.file("src.avi"), 48, 36, 60, 25.0));
    for (auto stop : {camdrift::LoopStop::Interrupted, camdrift::LoopStop::OutOfSpace}) {
        for (auto mode : {camdrift::FrameLoopMode::Serial, camdrift::FrameLoopMode::Pipelined}) {
            int asked = 0;
            LoopRun run = runLoop(dir.file("src.avi"), dir.file("out.avi"), mode, 60, [&] {
                return ++asked > 25 ? stop : camdrift::LoopStop::None;
            });
            EXPECT_EQ(run.result.stoppedBy, stop);
            EXPECT_EQ(run.result.framesWritten, 25);
            EXPECT_EQ(readAllFrames(dir.file("out.avi")).size(), 25u);
        }
    }
}

}  // namespace
