// FrameWriter over the libav writer that reproduces OpenCV's files byte for
// byte and, unlike OpenCV's, reports encoding and writing errors. Frames are
// converted to the encoder's pixel format ahead, on the thread that makes
// them, so the encoding thread only encodes.
#pragma once

#include <memory>

#include "video/av_writer.h"
#include "video/frame_writer.h"

namespace camdrift {

class AvFrameWriter : public FrameWriter {
public:
    explicit AvFrameWriter(std::unique_ptr<AvWriter> writer) : writer_(std::move(writer)) {}

    bool prepare(const cv::Mat& frame, std::unique_ptr<Ahead>& ahead) override {
        if (!ahead) {
            ahead = std::make_unique<Converted>();
        }
        auto& converted = static_cast<Converted&>(*ahead);
        return writer_->convert(frame, converted.frame) == AvWriter::Conversion::Converted;
    }

    bool write(const cv::Mat& frame, Ahead* ahead) override {
        if (ahead == nullptr) {
            return writer_->write(frame);
        }
        return writer_->encode(*static_cast<Converted*>(ahead)->frame);
    }

    bool close() override { return writer_->close(); }

private:
    struct Converted : Ahead {
        av::FramePtr frame;
    };
    std::unique_ptr<AvWriter> writer_;
};

}  // namespace camdrift
