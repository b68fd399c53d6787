// Where a rectangle of the upright frame lies in the decoded one, so a
// reader can convert only the part of a frame that a view shows and turn
// just that part upright (turnUpright of upright_frame.h).
#pragma once

#include <opencv2/core.hpp>

namespace camdrift {

// The rectangle of the decoded frame (of size decodedSize, unturned) whose
// pixels end up in `upright` after turnUpright. `upright` must lie inside the
// turned frame.
cv::Rect decodedRectOf(const cv::Rect& upright, cv::Size decodedSize, int rotation);

// Where `upright` sits inside the turned image of a decoded rectangle
// `decodedPart` (which covers decodedRectOf(upright)).
cv::Rect uprightRectWithin(const cv::Rect& upright, const cv::Rect& decodedPart,
                           cv::Size decodedSize, int rotation);

}  // namespace camdrift
