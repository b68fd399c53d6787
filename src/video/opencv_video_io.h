// What a run gets when it opens its source and its writer, and OpenCV's
// reader and writer behind a table of two functions. camdrift reaches the
// table through a module it loads only when a run needs OpenCV's I/O:
// OpenCV's video library pulls in some 200 shared libraries whose loading
// costs a tenth of a second of every run that never uses them.
#pragma once

#include <memory>
#include <string>

#include "script/job_script.h"
#include "video/frame_source.h"
#include "video/frame_writer.h"
#include "video/source_info.h"

namespace camdrift {

// `frames` is null when the source can't be opened. `how` says which reader
// it is and why OpenCV's, for the run's I/O log.
struct OpenedSource {
    std::unique_ptr<FrameSource> frames;
    SourceInfo info;
    std::string how;
};

// `frames` is null when no writer opens ("Writer not opened!").
struct OpenedWriter {
    std::unique_ptr<FrameWriter> frames;
    std::string how;
};

struct OpenCvVideoIo {
    // OpenCV's capture, with its automatic rotation off and frames turned
    // upright by the tool; `why` is why OpenCV's reader is used.
    OpenedSource (*openSource)(const std::string& path, const std::string& why);
    // OpenCV's writer with the job's codec code and output size.
    OpenedWriter (*openWriter)(const std::string& path, const JobScript& job, double fps,
                               const std::string& why);
};

// Gives the table, or nullptr with the reason in `why` when OpenCV's I/O
// can't be had.
using OpenCvVideoIoLoader = const OpenCvVideoIo* (*)(std::string* why);

}  // namespace camdrift
