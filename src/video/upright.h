// How a decoded frame is turned upright, and where an upright rectangle lies
// in the decoded (coded) frame.
#pragma once

#include <opencv2/core.hpp>

namespace camdrift {

// The turn that makes a frame with OpenCV's rotation angle upright (checked
// against the ffmpeg tool's own autorotation): 90 turns counterclockwise,
// 270 clockwise, 180 half way; any other angle leaves the frame as decoded.
// Returns -1 for "no turn", else a cv::RotateFlags value.
int uprightTurn(int angle);

// True when the angle swaps width and height (90 and 270).
bool turnSwapsSides(int angle);

// Turns `decoded` upright into `out` (a copy when turned, else `out` shares
// `decoded`).
void turnUpright(const cv::Mat& decoded, int angle, cv::Mat& out);

// The rectangle of the decoded frame (of size decodedSize, unturned) whose
// pixels end up in `upright` after turnUpright. `upright` must lie inside the
// turned frame.
cv::Rect decodedRectOf(const cv::Rect& upright, cv::Size decodedSize, int angle);

// Where `upright` sits inside the turned image of a decoded rectangle
// `decodedPart` (which covers decodedRectOf(upright)).
cv::Rect uprightRectWithin(const cv::Rect& upright, const cv::Rect& decodedPart,
                           cv::Size decodedSize, int angle);

}  // namespace camdrift
