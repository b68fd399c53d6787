// The view over time, and the plot of it under the thumbnails.
// The view of every frame, from the run's own ViewTrack driven frame by
// frame from 0, and how it moves from one frame to the next; the plot shows
// zoom, centerX and centerY of every frame, the keyframes' values marked,
// on a background shaded by how the view moves.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <vector>

#include "preview/sheet_geometry.h"
#include "render/view_state.h"
#include "script/job_script.h"

namespace camdrift {

// Views of frames 0 to frames - 1 (none when frames is 0 or less).
std::vector<ViewState> viewPath(const JobScript& job, double fps, int32_t frames);

enum class Motion {
    Still,   // the same view as the frame before
    Linear,  // moving on a linear segment
    Ramp,    // moving on the ramp of a hold-then-ramp segment
};

// The motion of every frame of `views`: still until the view first changes
// within a keyframe segment, moving from there to the segment's end. Frame 0
// is still.
std::vector<Motion> motionPath(const std::vector<ViewState>& views, const JobScript& job,
                               double fps);

// Draws the legend and the plot into their places in `layout`.
void drawViewPlot(cv::Mat& sheet, const SheetLayout& layout, const std::vector<ViewState>& views,
                  const std::vector<Motion>& motions, const std::vector<Keyframe>& keyframes);

}  // namespace camdrift
