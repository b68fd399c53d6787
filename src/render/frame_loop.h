// Reads every frame, frames it by the view track and appends it to the writer.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/platform.h"
#include "script/job_script.h"
#include "video/frame_source.h"
#include "video/frame_writer.h"
#include "video/source_info.h"

namespace camdrift {

// Why the loop stopped before the source ran out, as told by the stop check
// asked before every frame, or by the writer.
enum class LoopStop {
    None,         // go on
    Interrupted,  // the user asked the run to stop
    OutOfSpace,   // the output's file system is full
    WriteFailed,  // the writer could not write a frame
};
using StopCheck = std::function<LoopStop()>;

struct FrameLoopResult {
    int32_t framesWritten = 0;
    LoopStop stoppedBy = LoopStop::None;  // None when the source ran out or the count was reached
};

// Pipelined reads, crops and scales on a second thread while frames are
// encoded; Serial does one after the other. Both write the same frames.
enum class FrameLoopMode { Serial, Pipelined };

// Runs over the reported frame count; a read that yields no frame (the
// source ends early, a damaged tail) ends the loop, and so does `stopCheck`
// answering anything but None, which is asked before every frame is
// written, and a frame the writer could not write.
FrameLoopResult runFrameLoop(FrameSource& source, FrameWriter& writer, const SourceInfo& info,
                             const JobScript& job, platform::Console& console,
                             FrameLoopMode mode = FrameLoopMode::Pipelined,
                             const StopCheck& stopCheck = [] { return LoopStop::None; });

}  // namespace camdrift
