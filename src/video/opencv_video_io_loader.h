// OpenCV's reader and writer for camdrift, from the module beside the
// executable, loaded on the first call (a run that never falls back to
// OpenCV never loads OpenCV's video library).
#pragma once

#include <string>
#include <vector>

#include "video/opencv_video_io.h"

namespace camdrift {

// The module's file name.
constexpr const char* kOpenCvVideoIoModule = "camdrift-opencv-io.so";

// Where the module is looked for, in order: beside the executable (a build
// folder), then in lib/camdrift/ of the prefix it is installed under
// (/usr/bin/camdrift finds /usr/lib/camdrift/camdrift-opencv-io.so).
std::vector<std::string> openCvVideoIoModulePaths(const std::string& executableFolder);

// Matches OpenCvVideoIoLoader; nullptr when the module is missing or broken.
const OpenCvVideoIo* loadOpenCvVideoIo(std::string* why);

}  // namespace camdrift
