// Turning decoded frames upright. Phone videos store the picture as the
// sensor saw it and carry the turn a player must apply in their metadata;
// OpenCV 4.6 applies that turn the wrong way round, so the tool turns its
// own automatic rotation off and applies the turn here.
#pragma once

#include <opencv2/core.hpp>

namespace camdrift {

// The cv::RotateFlags value that makes a frame with OpenCV's rotation angle
// (whole degrees counterclockwise, 0 to 359) upright, as FFmpeg's own
// autorotation shows it: 90 turns counterclockwise, 270 clockwise, 180 half
// way. -1 for every other angle: only quarter turns move pixels, and frames
// stay as decoded, as players that can't tilt a picture do.
int uprightTurn(int rotation);

bool turnsFrames(int rotation);

// True when the upright frame is the decoded one on its side (90 or 270).
bool swapsSides(int rotation);

// `decoded` turned upright into `upright` (a pure rearrangement of pixels);
// for angles that don't turn, and for an empty frame, `upright` shares
// `decoded`'s pixels.
void turnUpright(const cv::Mat& decoded, int rotation, cv::Mat& upright);

}  // namespace camdrift
