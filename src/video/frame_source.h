// A source of upright frames read in order, whose current frame hands back
// any rectangle of itself: the run asks only for the view's part, so a reader
// that can convert just that part never makes the rest.
#pragma once

#include <opencv2/core.hpp>

namespace camdrift {

class FrameSource {
public:
    virtual ~FrameSource() = default;

    // Moves to the next frame; false when the source yields no more.
    virtual bool next() = 0;

    // The upright size of the current frame: the one a whole-frame read
    // would deliver, which may differ from the size reported at open.
    virtual cv::Size frameSize() const = 0;

    // The pixels of `rect` (non-empty, inside frameSize()) of the current
    // frame, as a view valid until the next call of next() or region().
    // False when the frame can't be converted: the source ends there, as
    // OpenCV's read does when its retrieve fails.
    virtual bool region(const cv::Rect& rect, cv::Mat& out) = 0;
};

}  // namespace camdrift
