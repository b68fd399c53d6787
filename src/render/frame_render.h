// Turns one source frame into one output frame for a given view.
#pragma once

#include <opencv2/core.hpp>

#include "render/view_state.h"
#include "script/job_script.h"

namespace camdrift {

// How a job's views become rectangles: in the source frame's shape, or in
// the output's when the job asks for it (`crop=output`) and its output has
// a size to take the shape from.
struct CropShaping {
    bool outputShaped = false;
    cv::Size output;  // the output's size, when outputShaped
};

CropShaping cropShapingOf(const JobScript& job);

// The rectangle of a frame of `frameSize` that the view keeps. In the
// source's shape: its crop rectangle for a zoom under 100, else the whole
// frame (so too for a zoom that isn't a number). In the output's shape:
// always a window of the output's shape, at most the largest that fits.
// Computed on the frame's own size, so a frame that differs from the
// reported size can never be cut outside itself.
cv::Rect viewRect(cv::Size frameSize, const ViewState& view, const CropShaping& shaping = {});

// Scales `crop` to `outputSize` with bilinear interpolation into `scaled`,
// whose buffer is reused when its size already fits.
void scaleView(const cv::Mat& crop, cv::Size outputSize, cv::Mat& scaled);

// Both of the above on a whole frame (a view into it, no copy).
void renderView(const cv::Mat& frame, const ViewState& view, cv::Size outputSize, cv::Mat& scaled,
                const CropShaping& shaping = {});

// A BGR image of `size` whose rows are multiples of 64 bytes, with 64
// readable bytes after its last pixel: the libav writer's converter reads
// up to 32 bytes past a frame's end, so it must copy any other frame first.
cv::Mat paddedFrame(cv::Size size);

}  // namespace camdrift
