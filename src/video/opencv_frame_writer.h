// FrameWriter over OpenCV's writer, which reports no errors: the run learns
// of a lost frame only from the packet count of the finished file.
#pragma once

#include <opencv2/videoio.hpp>

#include "video/frame_writer.h"

namespace camdrift {

class OpenCvFrameWriter : public FrameWriter {
public:
    explicit OpenCvFrameWriter(cv::VideoWriter writer) : writer_(std::move(writer)) {}

    bool write(const cv::Mat& frame, Ahead* /*ahead*/) override {
        writer_.write(frame);
        return true;
    }
    bool close() override {
        writer_.release();
        return true;
    }

private:
    cv::VideoWriter writer_;
};

}  // namespace camdrift
