// Draws the contact sheet: source frames with the crop rectangle of their
// view, and the plot of the view over the whole video.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "preview/view_plot.h"
#include "render/view_state.h"
#include "script/job_script.h"

namespace camdrift {

struct SheetThumb {
    int32_t frame = 0;
    cv::Mat image;  // the decoded source frame (BGR); empty when it couldn't be decoded
    ViewState view;
    bool keyframe = false;
};

struct SheetContent {
    std::string title;
    cv::Size source;                  // the reported frame size
    std::vector<SheetThumb> thumbs;   // in frame order
    std::vector<ViewState> views;     // every frame's view, for the plot
    std::vector<Motion> motions;      // every frame's motion, for the plot's shading
    std::vector<Keyframe> keyframes;
};

cv::Mat drawContactSheet(const SheetContent& content);

}  // namespace camdrift
