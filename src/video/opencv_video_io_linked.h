// OpenCV's reader and writer for a run, linked into the program (the
// preview, the tests, the benchmarks, and camdrift's module).
#pragma once

#include "video/opencv_video_io.h"

namespace camdrift {

// Never null; matches OpenCvVideoIoLoader.
const OpenCvVideoIo* linkedOpenCvVideoIo(std::string* why);

}  // namespace camdrift
