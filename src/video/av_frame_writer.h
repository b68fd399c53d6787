// FrameWriter over the libav writer that reproduces OpenCV's files byte for
// byte and, unlike OpenCV's, reports encoding and writing errors.
#pragma once

#include <memory>

#include "video/av_writer.h"
#include "video/frame_writer.h"

namespace camdrift {

class AvFrameWriter : public FrameWriter {
public:
    explicit AvFrameWriter(std::unique_ptr<AvWriter> writer) : writer_(std::move(writer)) {}

    bool write(const cv::Mat& frame) override { return writer_->write(frame); }
    bool close() override { return writer_->close(); }

private:
    std::unique_ptr<AvWriter> writer_;
};

}  // namespace camdrift
