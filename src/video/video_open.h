// Opening the source and the output writer the way a run does, shared by
// camdrift and camdrift-preview so the preview's answers match the run.
#pragma once

#include <memory>
#include <opencv2/videoio.hpp>
#include <string>

#include "script/job_script.h"
#include "video/frame_source.h"
#include "video/frame_writer.h"
#include "video/source_info.h"
#include "video/video_io_choice.h"

namespace camdrift {

// False for an empty path, a file OpenCV can't open, or an exception from it.
bool openSource(cv::VideoCapture& source, const std::string& path);

SourceInfo readSourceInfo(cv::VideoCapture& source);

// The writer's four-character code: the first four bytes of the codec line.
int fourccOf(const CodecCode& code);

// Opens `writer` on `path` with the job's codec code and output size.
bool openWriter(cv::VideoWriter& writer, const std::string& path, const JobScript& job,
                double fps);

// The run's source: the libav reader when it opens the file (it then
// reproduces OpenCV's capture), else OpenCV's capture; only OpenCV's with
// VideoIo::OpenCv. `frames` is null when neither opens it. `how` says which
// reader it is and why OpenCV's, for the run's I/O log.
struct OpenedSource {
    std::unique_ptr<FrameSource> frames;
    SourceInfo info;
    std::string how;
};
OpenedSource openFrameSource(const std::string& path, VideoIo io);

// The run's writer: the libav writer when it reproduces OpenCV's file for
// these arguments, OpenCV's when only OpenCV can make that file, none
// (null) when OpenCV's writer fails to open them too, without trying it.
struct OpenedWriter {
    std::unique_ptr<FrameWriter> frames;
    std::string how;
};
OpenedWriter openFrameWriter(const std::string& path, const JobScript& job, double fps,
                             VideoIo io);

}  // namespace camdrift
