#include "render/frame_loop.h"

#include "render/frame_render.h"
#include "render/frames_ahead.h"
#include "render/progress.h"
#include "render/view_track.h"
#include "video/upright_frame.h"

namespace camdrift {

namespace {

// Output frames made ahead of the one being encoded: enough to ride out a
// slow frame, few enough that memory stays flat.
constexpr size_t kFramesAhead = 3;

// Makes the output frames in source order: reads a frame, brings the view
// up to date, crops and scales.
class FrameMaker {
public:
    FrameMaker(cv::VideoCapture& source, const SourceInfo& info, const JobScript& job)
        : source_(source),
          outputSize_(job.outputWidth, job.outputHeight),
          rotation_(info.rotation),
          track_(job.keyframes, job.transitionSeconds, info.fps) {}

    // False when the source yields no frame.
    bool make(cv::Mat& scaled) {
        if (!source_.read(decoded_) || decoded_.empty()) {
            return false;
        }
        // The view is set on the picture as it is meant to be seen.
        turnUpright(decoded_, rotation_, upright_);
        renderView(upright_, track_.selectSegment(cur_), outputSize_, scaled);
        ++cur_;
        return true;
    }

private:
    cv::VideoCapture& source_;
    const cv::Size outputSize_;
    const int32_t rotation_;
    ViewTrack track_;
    cv::Mat decoded_;  // refilled by every read
    cv::Mat upright_;  // decoded_ itself unless the source is turned
    int32_t cur_ = 0;
};

// Appends the output frames and reports progress: the one place that does.
class FrameSink {
public:
    FrameSink(cv::VideoWriter& writer, int32_t frameCount, platform::Console& console)
        : writer_(writer), console_(console), frameCount_(frameCount) {
        console_.startProgress();
    }

    void append(const cv::Mat& scaled) {
        writer_.write(scaled);
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
    ProgressPacer pacer_;
    int32_t cur_ = 0;
};

// Both return what stopped them early, None when the frames ran out.
LoopStop runSerial(FrameMaker& maker, FrameSink& sink, int32_t frameCount,
                   const StopCheck& stopCheck) {
    cv::Mat scaled;  // reused while the output size stays the same
    for (int32_t cur = 0; cur < frameCount; ++cur) {
        if (const LoopStop stop = stopCheck(); stop != LoopStop::None) {
            return stop;
        }
        if (!maker.make(scaled)) {
            break;
        }
        sink.append(scaled);
    }
    return LoopStop::None;
}

// Decoding, cropping and scaling run on a second thread; encoding is
// OpenCV's writer on this one.
LoopStop runPipelined(FrameMaker& maker, FrameSink& sink, int32_t frameCount,
                      const StopCheck& stopCheck) {
    FramesAhead ahead([&maker](cv::Mat& scaled) { return maker.make(scaled); }, frameCount,
                      kFramesAhead);
    while (const cv::Mat* scaled = ahead.next()) {
        if (const LoopStop stop = stopCheck(); stop != LoopStop::None) {
            return stop;
        }
        sink.append(*scaled);
    }
    return LoopStop::None;
}

}  // namespace

FrameLoopResult runFrameLoop(cv::VideoCapture& source, cv::VideoWriter& writer,
                             const SourceInfo& info, const JobScript& job,
                             platform::Console& console, FrameLoopMode mode,
                             const StopCheck& stopCheck) {
    FrameMaker maker(source, info, job);
    FrameSink sink(writer, info.frameCount, console);
    FrameLoopResult result;
    if (info.frameCount > 0) {
        result.stoppedBy = mode == FrameLoopMode::Serial
                               ? runSerial(maker, sink, info.frameCount, stopCheck)
                               : runPipelined(maker, sink, info.frameCount, stopCheck);
    }
    result.framesWritten = sink.framesWritten();
    return result;
}

}  // namespace camdrift
