// Reads every frame, frames it by the view track and appends it to the writer.
#pragma once

#include <cstdint>
#include <functional>
#include <opencv2/videoio.hpp>

#include "app/source_info.h"
#include "platform/platform.h"
#include "script/job_script.h"

namespace camdrift {

struct FrameLoopResult {
    int32_t framesWritten = 0;
    bool interrupted = false;  // stopped early because `interrupted` said so
};

// Pipelined decodes on a second thread while frames are scaled and encoded;
// Serial does one after the other. Both write the same frames.
enum class FrameLoopMode { Serial, Pipelined };

// Runs over the reported frame count; a read that yields no frame (the
// source ends early, a damaged tail) ends the loop, and so does `interrupted`
// returning true, which is asked before every frame.
FrameLoopResult runFrameLoop(cv::VideoCapture& source, cv::VideoWriter& writer,
                             const SourceInfo& info, const JobScript& job,
                             platform::Console& console,
                             FrameLoopMode mode = FrameLoopMode::Pipelined,
                             const std::function<bool()>& interrupted = [] { return false; });

}  // namespace camdrift
