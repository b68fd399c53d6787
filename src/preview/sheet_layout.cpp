#include "preview/sheet_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace camdrift {
namespace {

constexpr int kMargin = 16;
constexpr int kGap = 12;
constexpr int kTitleHeight = 28;
constexpr int kCaptionHeight = 60;
constexpr int kLegendHeight = 24;
constexpr int kAxisWidth = 44;   // value labels left of the plot
constexpr int kAxisHeight = 28;  // frame labels under it
constexpr int kPlotHeight = 300;
constexpr int kCellWidth = (kSheetWidth - 2 * kMargin - (kSheetColumns - 1) * kGap) / kSheetColumns;

int thumbHeight(cv::Size source) {
    const double aspect = source.width > 0 && source.height > 0
                              ? static_cast<double>(source.height) / source.width
                              : 9.0 / 16.0;
    const long height = std::lround(kCellWidth * aspect);
    return static_cast<int>(std::clamp(height, 8L, 4L * kCellWidth));
}

// Scales one edge; `up` rounds toward the far side.
int scaledEdge(int64_t at, int64_t from, int64_t to, bool up) {
    if (from <= 0) return 0;
    const int64_t product = at * to;
    const int64_t edge = up ? (product + from - 1) / from : product / from;
    return static_cast<int>(std::clamp<int64_t>(edge, 0, to));
}

}  // namespace

SheetLayout layoutSheet(size_t thumbCount, cv::Size source) {
    SheetLayout layout;
    const int contentWidth = kSheetWidth - 2 * kMargin;
    layout.title = cv::Rect(kMargin, kMargin, contentWidth, kTitleHeight);
    int y = layout.title.br().y + kGap;
    const int height = thumbHeight(source);
    for (size_t i = 0; i < thumbCount; ++i) {
        const int column = static_cast<int>(i % kSheetColumns);
        const int x = kMargin + column * (kCellWidth + kGap);
        layout.thumbs.emplace_back(x, y, kCellWidth, height);
        layout.captions.emplace_back(x, y + height, kCellWidth, kCaptionHeight);
        const bool rowEnds = column == kSheetColumns - 1 || i + 1 == thumbCount;
        if (rowEnds) y += height + kCaptionHeight + kGap;
    }
    layout.legend = cv::Rect(kMargin + kAxisWidth, y, contentWidth - kAxisWidth, kLegendHeight);
    y = layout.legend.br().y + kGap / 2;
    layout.plot = cv::Rect(kMargin + kAxisWidth, y, contentWidth - kAxisWidth, kPlotHeight);
    layout.size = cv::Size(kSheetWidth, layout.plot.br().y + kAxisHeight + kMargin);
    return layout;
}

cv::Rect scaleToThumb(const cv::Rect& crop, cv::Size source, cv::Size thumb) {
    const int left = scaledEdge(crop.x, source.width, thumb.width, false);
    const int top = scaledEdge(crop.y, source.height, thumb.height, false);
    const int right = scaledEdge(int64_t{crop.x} + crop.width, source.width, thumb.width, true);
    const int bottom = scaledEdge(int64_t{crop.y} + crop.height, source.height, thumb.height, true);
    const int x = std::min(left, thumb.width - 1);
    const int y = std::min(top, thumb.height - 1);
    return cv::Rect(x, y, std::max(1, right - x), std::max(1, bottom - y));
}

}  // namespace camdrift
