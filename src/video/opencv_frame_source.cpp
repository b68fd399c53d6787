#include "video/opencv_frame_source.h"

#include "video/upright_frame.h"

namespace camdrift {

OpenCvFrameSource::OpenCvFrameSource(cv::VideoCapture capture, int rotation)
    : capture_(std::move(capture)), rotation_(rotation) {}

bool OpenCvFrameSource::next() {
    upright_.release();
    if (!capture_.read(decoded_) || decoded_.empty()) {
        return false;
    }
    // The view is set on the picture as it is meant to be seen.
    turnUpright(decoded_, rotation_, upright_);
    return true;
}

bool OpenCvFrameSource::region(const cv::Rect& rect, cv::Mat& out) {
    if (upright_.empty() || (rect & cv::Rect({}, upright_.size())) != rect || rect.empty()) {
        return false;
    }
    out = upright_(rect);
    return true;
}

}  // namespace camdrift
