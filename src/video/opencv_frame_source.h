// FrameSource over OpenCV's capture: every frame read whole (OpenCV converts
// and copies it), then turned upright by the tool (OpenCV's own turn is off).
#pragma once

#include <opencv2/videoio.hpp>

#include "video/frame_source.h"

namespace camdrift {

class OpenCvFrameSource : public FrameSource {
public:
    // `capture` is open, with OpenCV's automatic rotation off (openSource).
    OpenCvFrameSource(cv::VideoCapture capture, int rotation);

    bool next() override;
    cv::Size frameSize() const override { return upright_.size(); }
    bool region(const cv::Rect& rect, cv::Mat& out) override;

private:
    cv::VideoCapture capture_;
    const int rotation_;
    cv::Mat decoded_;  // refilled by every read
    cv::Mat upright_;  // decoded_ itself unless the source is turned
};

}  // namespace camdrift
