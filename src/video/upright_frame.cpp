#include "video/upright_frame.h"

namespace camdrift {

// The display matrix says how far to turn the stored picture counterclockwise.
int uprightTurn(int rotation) {
    switch (rotation) {
        case 90: return cv::ROTATE_90_COUNTERCLOCKWISE;
        case 180: return cv::ROTATE_180;
        case 270: return cv::ROTATE_90_CLOCKWISE;
        default: return -1;
    }
}

bool turnsFrames(int rotation) {
    return uprightTurn(rotation) >= 0;
}

bool swapsSides(int rotation) {
    return rotation == 90 || rotation == 270;
}

void turnUpright(const cv::Mat& decoded, int rotation, cv::Mat& upright) {
    const int flag = uprightTurn(rotation);
    if (flag < 0 || decoded.empty()) {
        upright = decoded;
        return;
    }
    cv::rotate(decoded, upright, flag);
}

}  // namespace camdrift
