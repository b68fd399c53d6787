// The rectangle of the source frame that a view keeps.
#pragma once

#include <cstdint>
#include <opencv2/core/types.hpp>

#include "render/view_state.h"

namespace camdrift {

// Always inside a frame of at least 1 x 1 pixels, with both sides at least 1.
// A frame side below 1 pixel gives offset 0 and length 1 on that axis.
cv::Rect computeCropRect(int32_t width, int32_t height, const ViewState& view);

// The largest rectangle of `output`'s shape inside a frame of `frame`: the
// whole width when the output is relatively wider (compared in 64 bits),
// else the whole height; the other side rounded down, at least 1 pixel.
// The output's sides must be at least 1.
cv::Size outputShapedBase(cv::Size frame, cv::Size output);

// A view's rectangle cut in the shape of `base`: zoom percent of the base's
// sides (a zoom above 100 keeps the whole base; so does one that isn't a
// number), placed by the view's centre in percent of the frame's sides and
// pushed inside the frame exactly as computeCropRect does.
cv::Rect computeShapedCropRect(cv::Size frame, cv::Size base, const ViewState& view);

}  // namespace camdrift
