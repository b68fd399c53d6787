// The rectangle of the source frame that a view keeps.
#pragma once

#include <cstdint>
#include <opencv2/core/types.hpp>

#include "render/view_state.h"

namespace camdrift {

// Always inside a frame of at least 1 x 1 pixels, with both sides at least 1.
// A frame side below 1 pixel gives offset 0 and length 1 on that axis.
cv::Rect computeCropRect(int32_t width, int32_t height, const ViewState& view);

}  // namespace camdrift
