#include "video/upright_rect.h"

#include "video/upright_frame.h"

namespace camdrift {

cv::Rect decodedRectOf(const cv::Rect& upright, cv::Size decodedSize, int rotation) {
    const int w = decodedSize.width;
    const int h = decodedSize.height;
    switch (uprightTurn(rotation)) {
        case cv::ROTATE_90_COUNTERCLOCKWISE:
            // Upright (x, y) shows decoded (w-1-y, x).
            return {w - upright.y - upright.height, upright.x, upright.height, upright.width};
        case cv::ROTATE_90_CLOCKWISE:
            // Upright (x, y) shows decoded (y, h-1-x).
            return {upright.y, h - upright.x - upright.width, upright.height, upright.width};
        case cv::ROTATE_180:
            return {w - upright.x - upright.width, h - upright.y - upright.height, upright.width,
                    upright.height};
        default:
            return upright;
    }
}

cv::Rect uprightRectWithin(const cv::Rect& upright, const cv::Rect& decodedPart,
                           cv::Size decodedSize, int rotation) {
    // The part, turned, is itself an upright rectangle of the whole frame;
    // find its corner and subtract.
    const int w = decodedSize.width;
    const int h = decodedSize.height;
    const cv::Rect& p = decodedPart;
    cv::Point corner;
    switch (uprightTurn(rotation)) {
        case cv::ROTATE_90_COUNTERCLOCKWISE:
            corner = {p.y, w - p.x - p.width};
            break;
        case cv::ROTATE_90_CLOCKWISE:
            corner = {h - p.y - p.height, p.x};
            break;
        case cv::ROTATE_180:
            corner = {w - p.x - p.width, h - p.y - p.height};
            break;
        default:
            corner = {p.x, p.y};
            break;
    }
    return {upright.x - corner.x, upright.y - corner.y, upright.width, upright.height};
}

}  // namespace camdrift
