// The plot under the thumbnails: zoom, centerX and centerY of every frame,
// the keyframes' values marked, the background shaded by how the view moves.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "preview/sheet_geometry.h"
#include "preview/view_path.h"
#include "render/view_state.h"
#include "script/job_script.h"

namespace camdrift {

void drawViewPlot(cv::Mat& sheet, const SheetLayout& layout, const std::vector<ViewState>& views,
                  const std::vector<Motion>& motions, const std::vector<Keyframe>& keyframes);

}  // namespace camdrift
