// Opening the run's source and writer: the libav reader and writer wherever
// they reproduce OpenCV's bytes, OpenCV's for the rest, each side on its own
// and decided before the first frame.
#pragma once

#include <memory>
#include <string>

#include "script/job_script.h"
#include "video/av_source.h"
#include "video/opencv_video_io.h"
#include "video/source_info.h"
#include "video/video_io_choice.h"

namespace camdrift {

// The libav reader exactly as openFrameSource opens it for a run, for a
// reader of the run's frames that needs more than FrameSource offers
// (camdrift-studio seeks); nullptr when it declines, with why in `why`.
std::unique_ptr<AvSource> openRunAvSource(const std::string& path, std::string* why);

// The libav reader's properties as a run reports them.
SourceInfo sourceInfoOf(const AvSource& source);

// The libav reader when it opens the file (it then delivers OpenCV's
// frames), else OpenCV's capture; only OpenCV's with VideoIo::OpenCv.
// `opencv` is called only when OpenCV's reader is needed.
OpenedSource openFrameSource(const std::string& path, VideoIo io, OpenCvVideoIoLoader opencv);

// The libav writer when it reproduces OpenCV's file for these arguments,
// OpenCV's when only OpenCV can make that file, none when OpenCV's writer
// fails to open them too (decided without asking it). `opencv` is called
// only when OpenCV's writer is needed.
OpenedWriter openFrameWriter(const std::string& path, const JobScript& job, double fps,
                             VideoIo io, OpenCvVideoIoLoader opencv);

}  // namespace camdrift
