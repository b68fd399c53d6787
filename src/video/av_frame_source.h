// FrameSource over the libav reader that reproduces OpenCV's capture: the
// same frames, but only the view's part of each is converted to BGR where
// that gives the same bytes, and nothing is copied.
#pragma once

#include <memory>

#include "video/av_source.h"
#include "video/frame_source.h"

namespace camdrift {

class AvFrameSource : public FrameSource {
public:
    explicit AvFrameSource(std::unique_ptr<AvSource> source) : source_(std::move(source)) {}

    bool next() override { return source_->grab(); }
    cv::Size frameSize() const override { return source_->retrievedSize(); }
    bool region(const cv::Rect& rect, cv::Mat& out) override {
        return source_->retrieveRegion(rect, out);
    }

private:
    std::unique_ptr<AvSource> source_;
};

}  // namespace camdrift
