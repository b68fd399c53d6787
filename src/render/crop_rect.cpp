#include "render/crop_rect.h"

#include <algorithm>
#include <cmath>

#include "video/int32_truncation.h"

namespace camdrift {

namespace {

struct Span {
    int32_t offset;
    int32_t length;
};

// The kept part of one side of the frame: `zoom` percent of `base` pixels,
// centred at `center` percent of the side, pushed inward where it would
// stick out. A side below 1 pixel has nothing to keep; it gets (0, 1) so
// the rectangle still has an area, and the frame loop never asks for such a
// frame.
Span keptSpan(int32_t side, int32_t base, double zoom, double center) {
    if (side < 1) {
        return Span{0, 1};
    }
    // Multiplied before dividing: 720 at zoom 35 keeps 252, not 251.
    const int32_t wanted = truncateToInt32(static_cast<double>(base) * zoom / 100.0);
    // Zoom of 0 or less, NaN or beyond the frame still keeps 1 to `side` pixels.
    const int32_t length = std::clamp(wanted, 1, side);
    const int64_t centre = truncateToInt32(static_cast<double>(side) * center / 100.0);
    int64_t offset = centre - length / 2;
    if (offset < 0) {
        offset = 0;
    }
    if (offset + length > side) {
        offset = side - length;
    }
    return Span{static_cast<int32_t>(offset), length};
}

}  // namespace

cv::Rect computeCropRect(int32_t width, int32_t height, const ViewState& view) {
    const Span horizontal = keptSpan(width, width, view.zoom, view.centerX);
    const Span vertical = keptSpan(height, height, view.zoom, view.centerY);
    return cv::Rect(horizontal.offset, vertical.offset, horizontal.length, vertical.length);
}

cv::Size outputShapedBase(cv::Size frame, cv::Size output) {
    const int64_t frameW = frame.width, frameH = frame.height;
    const int64_t outW = output.width, outH = output.height;
    if (outW * frameH >= outH * frameW) {
        return cv::Size(frame.width, static_cast<int>(std::max<int64_t>(1, frameW * outH / outW)));
    }
    return cv::Size(static_cast<int>(std::max<int64_t>(1, frameH * outW / outH)), frame.height);
}

cv::Rect computeShapedCropRect(cv::Size frame, cv::Size base, const ViewState& view) {
    // fmin takes the number when the zoom isn't one: the whole base then,
    // as the whole frame is for a source-shaped crop.
    const double zoom = std::fmin(view.zoom, 100.0);
    const Span horizontal = keptSpan(frame.width, base.width, zoom, view.centerX);
    const Span vertical = keptSpan(frame.height, base.height, zoom, view.centerY);
    return cv::Rect(horizontal.offset, vertical.offset, horizontal.length, vertical.length);
}

}  // namespace camdrift
