// Opening the source and the output writer the way a run does, shared by
// camdrift and camdrift-preview so the preview's answers match the run.
#pragma once

#include <opencv2/videoio.hpp>
#include <string>

#include "script/job_script.h"
#include "video/source_info.h"

namespace camdrift {

// False for an empty path, a file OpenCV can't open, or an exception from it.
bool openSource(cv::VideoCapture& source, const std::string& path);

SourceInfo readSourceInfo(cv::VideoCapture& source);

// The writer's four-character code: the first four bytes of the codec line.
int fourccOf(const CodecCode& code);

// Opens `writer` on `path` with the job's codec code and output size.
bool openWriter(cv::VideoWriter& writer, const std::string& path, const JobScript& job,
                double fps);

}  // namespace camdrift
