#include "render/crop_rect.h"

#include <algorithm>

#include "video/int32_truncation.h"

namespace camdrift {

namespace {

struct Span {
    int32_t offset;
    int32_t length;
};

// The kept part of one side of the frame: `zoom` percent of it, centred at
// `center` percent, pushed inward where it would stick out. A side below 1
// pixel has nothing to keep; it gets (0, 1) so the rectangle still has an
// area, and the frame loop never asks for such a frame.
Span keptSpan(int32_t side, double zoom, double center) {
    if (side < 1) {
        return Span{0, 1};
    }
    // Multiplied before dividing: 720 at zoom 35 keeps 252, not 251.
    const int32_t wanted = truncateToInt32(static_cast<double>(side) * zoom / 100.0);
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
    const Span horizontal = keptSpan(width, view.zoom, view.centerX);
    const Span vertical = keptSpan(height, view.zoom, view.centerY);
    return cv::Rect(horizontal.offset, vertical.offset, horizontal.length, vertical.length);
}

}  // namespace camdrift
