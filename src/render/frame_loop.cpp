#include "render/frame_loop.h"

#include "render/frame_render.h"
#include "render/frames_ahead.h"
#include "render/progress.h"
#include "render/view_track.h"

namespace camdrift {

namespace {

// Output frames made ahead of the one being encoded: enough to ride out a
// slow frame, few enough that memory stays flat.
constexpr size_t kFramesAhead = 3;

// Makes the output frames in source order: moves to the next frame, brings
// the view up to date, takes the view's part of the frame and scales it.
class FrameMaker {
public:
    FrameMaker(FrameSource& source, const SourceInfo& info, const JobScript& job)
        : source_(source),
          outputSize_(job.outputWidth, job.outputHeight),
          track_(job.keyframes, job.transitionSeconds, info.fps) {}

    // False when the source yields no frame.
    bool make(cv::Mat& scaled) {
        if (!source_.next()) {
            return false;
        }
        // The view is set on the picture as it is meant to be seen: the
        // source's frames are upright.
        const cv::Rect rect = viewRect(source_.frameSize(), track_.selectSegment(cur_));
        if (!source_.region(rect, crop_)) {
            return false;
        }
        if (scaled.size() != outputSize_ || scaled.type() != CV_8UC3) {
            scaled = paddedFrame(outputSize_);  // once per buffer, so the writer never copies
        }
        scaleView(crop_, outputSize_, scaled);
        // Let go of the source's pixels, so it converts the next frame into
        // the same memory.
        crop_.release();
        ++cur_;
        return true;
    }

private:
    FrameSource& source_;
    const cv::Size outputSize_;
    ViewTrack track_;
    cv::Mat crop_;  // the view's part of the current frame
    int32_t cur_ = 0;
};

// Appends the output frames and reports progress: the one place that does.
class FrameSink {
public:
    FrameSink(FrameWriter& writer, int32_t frameCount, platform::Console& console)
        : writer_(writer), console_(console), frameCount_(frameCount) {
        console_.startProgress();
    }

    // False when the writer could not write the frame.
    bool append(const cv::Mat& scaled) {
        if (!writer_.write(scaled)) {
            return false;
        }
        if (pacer_.dueBeforeAdvance()) {
            console_.progress(progressLine(cur_, frameCount_));
            pacer_.reset();
        }
        pacer_.advance();
        ++cur_;
        return true;
    }

    int32_t framesWritten() const { return cur_; }

private:
    FrameWriter& writer_;
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
        if (!sink.append(scaled)) {
            return LoopStop::WriteFailed;
        }
    }
    return LoopStop::None;
}

// Reading, cropping and scaling run on a second thread; encoding on this one.
LoopStop runPipelined(FrameMaker& maker, FrameSink& sink, int32_t frameCount,
                      const StopCheck& stopCheck) {
    FramesAhead ahead([&maker](cv::Mat& scaled) { return maker.make(scaled); }, frameCount,
                      kFramesAhead);
    while (const cv::Mat* scaled = ahead.next()) {
        if (const LoopStop stop = stopCheck(); stop != LoopStop::None) {
            return stop;
        }
        if (!sink.append(*scaled)) {
            return LoopStop::WriteFailed;
        }
    }
    return LoopStop::None;
}

}  // namespace

FrameLoopResult runFrameLoop(FrameSource& source, FrameWriter& writer, const SourceInfo& info,
                             const JobScript& job, platform::Console& console,
                             FrameLoopMode mode, const StopCheck& stopCheck) {
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
