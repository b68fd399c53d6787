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
    FrameMaker(FrameSource& source, FrameWriter& writer, const SourceInfo& info,
               const JobScript& job)
        : source_(source),
          writer_(writer),
          outputSize_(job.outputWidth, job.outputHeight),
          shaping_(cropShapingOf(job)),
          track_(job.keyframes, job.transitionSeconds, info.fps) {}

    // False when the source yields no frame.
    bool make(OutputFrame& frame) {
        if (!source_.next()) {
            return false;
        }
        // The view is set on the picture as it is meant to be seen: the
        // source's frames are upright.
        const cv::Rect rect = viewRect(source_.frameSize(), track_.selectSegment(cur_), shaping_);
        if (!source_.region(rect, crop_)) {
            return false;
        }
        cv::Mat& scaled = frame.scaled;
        if (scaled.size() != outputSize_ || scaled.type() != CV_8UC3) {
            scaled = paddedFrame(outputSize_);  // once per buffer, so the writer never copies
        }
        scaleView(crop_, outputSize_, scaled);
        // Let go of the source's pixels, so it converts the next frame into
        // the same memory.
        crop_.release();
        frame.prepared = writer_.prepare(scaled, frame.ahead);
        ++cur_;
        return true;
    }

private:
    FrameSource& source_;
    FrameWriter& writer_;  // only its prepare(), on the thread that makes frames
    const cv::Size outputSize_;
    const CropShaping shaping_;
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

    // False when the writer could not prepare or write the frame.
    bool append(const OutputFrame& frame) {
        if (!frame.prepared || !writer_.write(frame.scaled, frame.ahead.get())) {
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
    OutputFrame frame;  // reused while the output size stays the same
    for (int32_t cur = 0; cur < frameCount; ++cur) {
        if (const LoopStop stop = stopCheck(); stop != LoopStop::None) {
            return stop;
        }
        if (!maker.make(frame)) {
            break;
        }
        if (!sink.append(frame)) {
            return LoopStop::WriteFailed;
        }
    }
    return LoopStop::None;
}

// Reading, cropping, scaling and the writer's conversion run on a second
// thread; encoding on this one.
LoopStop runPipelined(FrameMaker& maker, FrameSink& sink, int32_t frameCount,
                      const StopCheck& stopCheck) {
    FramesAhead ahead([&maker](OutputFrame& frame) { return maker.make(frame); }, frameCount,
                      kFramesAhead);
    while (const OutputFrame* frame = ahead.next()) {
        if (const LoopStop stop = stopCheck(); stop != LoopStop::None) {
            return stop;
        }
        if (!sink.append(*frame)) {
            return LoopStop::WriteFailed;
        }
    }
    return LoopStop::None;
}

}  // namespace

FrameLoopResult runFrameLoop(FrameSource& source, FrameWriter& writer, const SourceInfo& info,
                             const JobScript& job, platform::Console& console,
                             FrameLoopMode mode, const StopCheck& stopCheck) {
    FrameMaker maker(source, writer, info, job);
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
