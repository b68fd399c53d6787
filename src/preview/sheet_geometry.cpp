#include "preview/sheet_geometry.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <set>

namespace camdrift {

// ---- Which frames ----

namespace {

// `count` frames from 0 to last, both ends included.
std::vector<int32_t> evenlySpread(int32_t last, size_t count) {
    std::vector<int32_t> frames;
    if (count == 0) return frames;
    if (count == 1) return {0};
    for (size_t i = 0; i < count; ++i) {
        const double at = static_cast<double>(last) * static_cast<double>(i) /
                          static_cast<double>(count - 1);
        frames.push_back(static_cast<int32_t>(std::lround(at)));
    }
    return frames;
}

std::vector<int32_t> keyframeFrames(const std::vector<Keyframe>& keyframes, int32_t frameCount,
                                    size_t most) {
    std::set<int32_t> inSource;
    for (const Keyframe& k : keyframes) {
        if (k.frame >= 0 && k.frame < frameCount) inSource.insert(k.frame);
    }
    const std::vector<int32_t> all(inSource.begin(), inSource.end());
    if (all.size() <= most) return all;
    std::vector<int32_t> thinned;
    for (int32_t index : evenlySpread(static_cast<int32_t>(all.size() - 1), most)) {
        thinned.push_back(all[static_cast<size_t>(index)]);
    }
    return thinned;
}

// Distance from chosen[i] to its nearest neighbour in the sorted `chosen`.
int64_t gapAround(const std::vector<int32_t>& chosen, size_t i) {
    int64_t gap = INT64_MAX;
    if (i > 0) gap = std::min(gap, int64_t{chosen[i]} - chosen[i - 1]);
    if (i + 1 < chosen.size()) gap = std::min(gap, int64_t{chosen[i + 1]} - chosen[i]);
    return gap;
}

// Drops the spread frame that crowds its neighbours most.
void dropMostCrowded(std::vector<int32_t>& chosen, const std::set<int32_t>& spread) {
    size_t drop = chosen.size();
    for (size_t i = 0; i < chosen.size(); ++i) {
        if (spread.count(chosen[i]) == 0) continue;
        if (drop == chosen.size() || gapAround(chosen, i) < gapAround(chosen, drop)) drop = i;
    }
    chosen.erase(chosen.begin() + static_cast<std::ptrdiff_t>(drop));
}

}  // namespace

std::vector<int32_t> selectSheetFrames(const std::vector<Keyframe>& keyframes, int32_t frameCount,
                                       size_t wanted, size_t most) {
    if (frameCount <= 0) return {};
    const std::vector<int32_t> keys = keyframeFrames(keyframes, frameCount, most);
    std::set<int32_t> chosen(keys.begin(), keys.end());
    std::set<int32_t> spread;
    for (int32_t frame : evenlySpread(frameCount - 1, wanted)) {
        if (chosen.insert(frame).second) spread.insert(frame);
    }
    const size_t target = std::max(std::min(wanted, most), keys.size());
    std::vector<int32_t> frames(chosen.begin(), chosen.end());
    while (frames.size() > target) dropMostCrowded(frames, spread);
    return frames;
}

// ---- Where everything sits ----

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

// ---- The plot's scale ----

namespace {

constexpr double kLowest = -100.0;
constexpr double kHighest = 200.0;

void widen(PlotScale& scale, double value) {
    scale.low = std::max(kLowest, std::min(scale.low, value));
    scale.high = std::min(kHighest, std::max(scale.high, value));
}

}  // namespace

double PlotScale::xOf(double frame) const {
    const double span = frames > 1 ? frames - 1 : 1;
    return area.x + frame * (area.width - 1) / span;
}

double PlotScale::yOf(double value) const {
    const double clamped = std::clamp(value, low, high);
    return area.y + (high - clamped) * (area.height - 1) / (high - low);
}

PlotScale plotScale(const cv::Rect& area, const std::vector<ViewState>& views,
                    const std::vector<Keyframe>& keyframes) {
    PlotScale scale;
    scale.area = area;
    scale.frames = static_cast<int32_t>(views.size());
    for (const ViewState& v : views) {
        widen(scale, v.zoom);
        widen(scale, v.centerX);
        widen(scale, v.centerY);
    }
    for (const Keyframe& k : keyframes) {
        widen(scale, k.zoom);
        widen(scale, k.centerX);
        widen(scale, k.centerY);
    }
    return scale;
}

std::vector<int32_t> frameTicks(int32_t frames, int most) {
    std::vector<int32_t> ticks;
    if (frames <= 0 || most <= 0) return ticks;
    int64_t step = 1;
    for (int64_t power = 1;; power *= 10) {
        const int64_t candidates[] = {power, 2 * power, 5 * power};
        const auto fits = std::find_if(std::begin(candidates), std::end(candidates),
                                       [&](int64_t s) { return (frames - 1) / s + 1 <= most; });
        if (fits != std::end(candidates)) {
            step = *fits;
            break;
        }
    }
    for (int64_t frame = 0; frame < frames; frame += step) {
        ticks.push_back(static_cast<int32_t>(frame));
    }
    return ticks;
}

// ---- Inks and type ----

std::string asciiText(const std::string& utf8) {
    std::string shown;
    for (const char c : utf8) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && (byte & 0xC0) == 0x80) continue;  // one '?' per character
        shown += byte >= 0x20 && byte < 0x7F ? c : '?';
    }
    return shown;
}

void drawText(cv::Mat& image, const std::string& text, cv::Point origin,
              const cv::Scalar& colour, double scale) {
    cv::putText(image, asciiText(text), origin, cv::FONT_HERSHEY_SIMPLEX, scale, colour, 1,
                cv::LINE_AA);
}

}  // namespace camdrift
