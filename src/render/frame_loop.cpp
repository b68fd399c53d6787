#include "render/frame_loop.h"

#include "render/frame_reader.h"
#include "render/frame_render.h"
#include "render/progress.h"
#include "render/view_track.h"

namespace camdrift {

namespace {

// Frames decoded ahead of the one being encoded: enough to ride out a slow
// frame, few enough that memory stays flat whatever the video's length.
constexpr size_t kFramesAhead = 3;

// Everything done to one decoded frame, in source order: its view, the crop
// and scale, the append, and the progress line.
class FrameStage {
public:
    FrameStage(cv::VideoWriter& writer, const SourceInfo& info, const JobScript& job,
               platform::Console& console)
        : writer_(writer),
          console_(console),
          frameCount_(info.frameCount),
          outputSize_(job.outputWidth, job.outputHeight),
          track_(job.keyframes, job.transitionSeconds, info.fps) {
        console_.startProgress();
    }

    void process(const cv::Mat& frame) {
        renderView(frame, track_.selectSegment(cur_), outputSize_, scaled_);
        writer_.write(scaled_);
        if (pacer_.dueBeforeAdvance()) {
            console_.progress(progressLine(cur_, frameCount_));
            pacer_.reset();
        }
        pacer_.advance();
        ++cur_;
    }

    int32_t framesWritten() const { return cur_; }

private:
    cv::VideoWriter& writer_;
    platform::Console& console_;
    const int32_t frameCount_;
    const cv::Size outputSize_;
    ViewTrack track_;
    ProgressPacer pacer_;
    cv::Mat scaled_;  // reused while the output size stays the same
    int32_t cur_ = 0;
};

void runSerial(cv::VideoCapture& source, int32_t frameCount, FrameStage& stage) {
    cv::Mat frame;  // refilled by every read
    for (int32_t cur = 0; cur < frameCount; ++cur) {
        if (!source.read(frame) || frame.empty()) {
            break;
        }
        stage.process(frame);
    }
}

void runPipelined(cv::VideoCapture& source, int32_t frameCount, FrameStage& stage) {
    FrameReader reader(source, frameCount, kFramesAhead);
    while (const cv::Mat* frame = reader.next()) {
        stage.process(*frame);
    }
}

}  // namespace

FrameLoopResult runFrameLoop(cv::VideoCapture& source, cv::VideoWriter& writer,
                             const SourceInfo& info, const JobScript& job,
                             platform::Console& console, FrameLoopMode mode) {
    FrameStage stage(writer, info, job, console);
    if (info.frameCount > 0) {
        if (mode == FrameLoopMode::Serial) {
            runSerial(source, info.frameCount, stage);
        } else {
            runPipelined(source, info.frameCount, stage);
        }
    }
    FrameLoopResult result;
    result.framesWritten = stage.framesWritten();
    return result;
}

}  // namespace camdrift
