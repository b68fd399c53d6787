// Turns one source frame into one output frame for a given view.
#pragma once

#include <opencv2/core.hpp>

#include "render/view_state.h"

namespace camdrift {

// Crops `frame` to the view (a view into the frame, no copy) and scales the
// crop to `outputSize` with bilinear interpolation into `scaled`, whose
// buffer is reused when its size already fits. A zoom of 100 or more, or one
// that isn't a number, scales the whole frame.
void renderView(const cv::Mat& frame, const ViewState& view, cv::Size outputSize, cv::Mat& scaled);

}  // namespace camdrift
