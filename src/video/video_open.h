// Opening the source and the output writer through OpenCV the way a run
// does, shared by camdrift's OpenCV I/O and camdrift-preview so the
// preview's answers match the run.
#pragma once

#include <opencv2/videoio.hpp>
#include <string>

#include "script/job_script.h"
#include "video/codec_fourcc.h"
#include "video/source_info.h"

namespace camdrift {

// False for an empty path, a file OpenCV can't open, or an exception from it.
bool openSource(cv::VideoCapture& source, const std::string& path);

SourceInfo readSourceInfo(cv::VideoCapture& source);

// Opens `writer` on `path` with the job's codec code and output size.
bool openWriter(cv::VideoWriter& writer, const std::string& path, const JobScript& job,
                double fps);

}  // namespace camdrift
