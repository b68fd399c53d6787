// Where the run's output frames go, one after another, in the output size.
#pragma once

#include <opencv2/core.hpp>

namespace camdrift {

class FrameWriter {
public:
    virtual ~FrameWriter() = default;

    // Appends one 8-bit BGR frame of the output size. False when it could
    // not be written (a full disk, a size limit): the file is then
    // incomplete. A writer that can't tell always says true.
    virtual bool write(const cv::Mat& frame) = 0;

    // Completes the file, so it plays with the frames written so far. False
    // when that failed or an earlier write had; later calls say the same.
    virtual bool close() = 0;
};

}  // namespace camdrift
