// Turns one source frame into one output frame for a given view.
#pragma once

#include <opencv2/core.hpp>

#include "render/view_state.h"

namespace camdrift {

// The rectangle of a frame of `frameSize` that the view keeps: its crop
// rectangle for a zoom under 100, else the whole frame (so too for a zoom
// that isn't a number). Computed on the frame's own size, so a frame that
// differs from the reported size can never be cut outside itself.
cv::Rect viewRect(cv::Size frameSize, const ViewState& view);

// Scales `crop` to `outputSize` with bilinear interpolation into `scaled`,
// whose buffer is reused when its size already fits.
void scaleView(const cv::Mat& crop, cv::Size outputSize, cv::Mat& scaled);

// Both of the above on a whole frame (a view into it, no copy).
void renderView(const cv::Mat& frame, const ViewState& view, cv::Size outputSize, cv::Mat& scaled);

// A BGR image of `size` whose rows are multiples of 64 bytes, with 64
// readable bytes after its last pixel: the libav writer's converter reads
// up to 32 bytes past a frame's end, so it must copy any other frame first.
cv::Mat paddedFrame(cv::Size size);

}  // namespace camdrift
