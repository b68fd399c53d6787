// The run from the command line to the closing message.
#pragma once

#include "video/opencv_video_io.h"

namespace camdrift {

// Returns the process's exit status. `opencv` gives OpenCV's reader and
// writer, asked for only when the run needs one of them.
int runDriver(int argc, char** argv, OpenCvVideoIoLoader opencv);

}  // namespace camdrift
