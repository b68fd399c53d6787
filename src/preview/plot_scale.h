// The plot's mapping from frame index and percent to pixels.
#pragma once

#include <cstdint>
#include <opencv2/core/types.hpp>
#include <vector>

#include "render/view_state.h"
#include "script/job_script.h"

namespace camdrift {

struct PlotScale {
    cv::Rect area;       // the data area
    int32_t frames = 0;  // frame 0 sits on the left edge, frame frames - 1 on the right
    double low = 0.0;    // the value on the bottom edge
    double high = 100.0; // the value on the top edge

    double xOf(double frame) const;
    // Values beyond the range are drawn on its edge.
    double yOf(double value) const;
};

// 0 to 100, widened to the views' and keyframes' values but never beyond
// -100 to 200, where a wild value would flatten everything else.
PlotScale plotScale(const cv::Rect& area, const std::vector<ViewState>& views,
                    const std::vector<Keyframe>& keyframes);

// Frame indices for the axis labels: multiples of 1, 2 or 5 times a power of
// ten, at most `most` of them, from 0.
std::vector<int32_t> frameTicks(int32_t frames, int most);

}  // namespace camdrift
