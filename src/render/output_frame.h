// One frame of the frame loop on its way out: the scaled picture and what
// the writer made of it ahead of its turn.
#pragma once

#include <memory>
#include <opencv2/core.hpp>

#include "video/frame_writer.h"

namespace camdrift {

struct OutputFrame {
    cv::Mat scaled;
    std::unique_ptr<FrameWriter::Ahead> ahead;
    bool prepared = false;  // FrameWriter::prepare's answer for this frame
};

}  // namespace camdrift
