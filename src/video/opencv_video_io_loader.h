// OpenCV's reader and writer for camdrift, from the module beside the
// executable, loaded on the first call (a run that never falls back to
// OpenCV never loads OpenCV's video library).
#pragma once

#include "video/opencv_video_io.h"

namespace camdrift {

// The module's file name, looked for in the executable's folder.
constexpr const char* kOpenCvVideoIoModule = "camdrift-opencv-io.so";

// Matches OpenCvVideoIoLoader; nullptr when the module is missing or broken.
const OpenCvVideoIo* loadOpenCvVideoIo(std::string* why);

}  // namespace camdrift
