#include "preview/view_plot.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

#include "platform/platform.h"
#include "preview/report_text.h"
#include "render/view_track.h"

namespace camdrift {

// ---- The view path ----

namespace {

bool sameView(const ViewState& a, const ViewState& b) {
    return a.zoom == b.zoom && a.centerX == b.centerX && a.centerY == b.centerY;
}

// The segment whose frames (start, end] hold frame `n` ends at keyframes[k];
// k is the keyframe count past the last one.
class SegmentCursor {
public:
    explicit SegmentCursor(const std::vector<Keyframe>& keyframes) : keyframes_(keyframes) {}
    size_t endingAt(int32_t n) {
        while (k_ < keyframes_.size() && keyframes_[k_].frame < n) ++k_;
        return k_;
    }

private:
    const std::vector<Keyframe>& keyframes_;
    size_t k_ = 0;
};

Motion movingKind(const JobScript& job, size_t k, double fps) {
    if (k >= job.keyframes.size()) return Motion::Linear;
    const int32_t code = job.keyframes[k].transition;
    const int32_t T = transitionFrames(code, job.transitionSeconds, fps);
    const SegmentKind kind = segmentKind(code, segmentLength(job.keyframes, k), T);
    return kind == SegmentKind::HoldThenRamp ? Motion::Ramp : Motion::Linear;
}

}  // namespace

std::vector<ViewState> viewPath(const JobScript& job, double fps, int32_t frames) {
    std::vector<ViewState> views;
    if (frames <= 0) return views;
    views.reserve(static_cast<size_t>(frames));
    ViewTrack track(job.keyframes, job.transitionSeconds, fps);
    for (int32_t cur = 0; cur < frames; ++cur) views.push_back(track.selectSegment(cur));
    return views;
}

// A ramp moves in whole steps, so some of its frames repeat the view before
// them; once a segment has started moving, all its later frames count as moving.
std::vector<Motion> motionPath(const std::vector<ViewState>& views, const JobScript& job,
                               double fps) {
    std::vector<Motion> motions(views.size(), Motion::Still);
    SegmentCursor segments(job.keyframes);
    size_t segment = 0;
    bool moving = false;
    for (size_t n = 1; n < views.size(); ++n) {
        const size_t k = segments.endingAt(static_cast<int32_t>(n));
        if (k != segment) {
            segment = k;
            moving = false;
        }
        moving = moving || !sameView(views[n], views[n - 1]);
        if (moving) motions[n] = movingKind(job, k, fps);
    }
    return motions;
}

// ---- The plot ----

namespace {

constexpr int kMostFrameTicks = 12;
constexpr double kValueGridStep = 25.0;

int pixel(double at) { return static_cast<int>(std::lround(at)); }

const cv::Scalar* shadeOf(Motion motion) {
    switch (motion) {
        case Motion::Ramp: return &kRampShade;
        case Motion::Linear: return &kLinearShade;
        case Motion::Still: break;
    }
    return &kHoldShade;
}

// A frame's shade covers the step from the frame before it, where its
// motion happened; runs of one motion are drawn as one band.
void drawShading(cv::Mat& sheet, const PlotScale& scale, const std::vector<Motion>& motions) {
    const cv::Rect& area = scale.area;
    size_t start = 1;
    while (start < motions.size()) {
        size_t end = start;
        while (end < motions.size() && motions[end] == motions[start]) ++end;
        const int left = pixel(scale.xOf(static_cast<double>(start - 1)));
        const int right = pixel(scale.xOf(static_cast<double>(end - 1)));
        const cv::Rect band(left, area.y, std::max(1, right - left + 1), area.height);
        cv::rectangle(sheet, band & area, *shadeOf(motions[start]), cv::FILLED);
        start = end;
    }
}

void drawGrid(cv::Mat& sheet, const PlotScale& scale) {
    const cv::Rect& area = scale.area;
    // Adding 0.0 turns a -0 from ceil into 0 for the label.
    const double first = std::ceil(scale.low / kValueGridStep) * kValueGridStep + 0.0;
    for (double value = first; value <= scale.high; value += kValueGridStep) {
        const int y = pixel(scale.yOf(value));
        cv::line(sheet, {area.x, y}, {area.br().x - 1, y}, kGridInk, 1);
        drawText(sheet, platform::formatText("%g", value), {area.x - 40, y + 5}, kInk, 0.4);
    }
    for (int32_t frame : frameTicks(scale.frames, kMostFrameTicks)) {
        const int x = pixel(scale.xOf(frame));
        cv::line(sheet, {x, area.br().y}, {x, area.br().y + 5}, kInk, 1);
        drawText(sheet, platform::formatText("%d", static_cast<int>(frame)),
                 {x - 8, area.br().y + 20}, kInk, 0.4);
    }
    cv::rectangle(sheet, area, kInk, 1);
}

void drawKeyframes(cv::Mat& sheet, const PlotScale& scale, const std::vector<Keyframe>& keyframes) {
    const cv::Rect& area = scale.area;
    for (const Keyframe& k : keyframes) {
        if (k.frame < 0 || k.frame >= scale.frames) continue;
        const int x = pixel(scale.xOf(k.frame));
        for (int y = area.y; y < area.br().y; y += 8) {
            cv::line(sheet, {x, y}, {x, std::min(y + 4, area.br().y - 1)}, kKeyframeInk, 1);
        }
        const std::pair<double, const cv::Scalar*> marks[] = {
            {k.zoom, &kZoomInk}, {k.centerX, &kCenterXInk}, {k.centerY, &kCenterYInk}};
        for (const auto& [value, ink] : marks) {
            cv::circle(sheet, {x, pixel(scale.yOf(value))}, 5, *ink, 2, cv::LINE_AA);
        }
    }
}

void drawCurve(cv::Mat& sheet, const PlotScale& scale, const std::vector<ViewState>& views,
               double ViewState::*component, const cv::Scalar& ink) {
    std::vector<cv::Point> points;
    points.reserve(views.size());
    for (size_t n = 0; n < views.size(); ++n) {
        const cv::Point p(pixel(scale.xOf(static_cast<double>(n))),
                          pixel(scale.yOf(views[n].*component)));
        if (points.empty() || points.back() != p) points.push_back(p);
    }
    if (points.size() == 1) points.push_back(points.front());
    cv::polylines(sheet, points, false, ink, 2, cv::LINE_AA);
}

// A short sample of each ink and shade, and what it means.
void drawLegend(cv::Mat& sheet, const cv::Rect& legend) {
    const std::pair<const char*, const cv::Scalar*> lines[] = {
        {"zoom", &kZoomInk}, {"centerX", &kCenterXInk}, {"centerY", &kCenterYInk}};
    const std::pair<const char*, const cv::Scalar*> shades[] = {
        {"view holds", &kHoldShade}, {"ramp", &kRampShade}, {"linear", &kLinearShade}};
    const int middle = legend.y + legend.height / 2;
    int x = legend.x;
    for (const auto& [name, ink] : lines) {
        cv::line(sheet, {x, middle}, {x + 24, middle}, *ink, 2, cv::LINE_AA);
        drawText(sheet, name, {x + 30, middle + 5}, kInk);
        x += 120;
    }
    for (const auto& [name, shade] : shades) {
        cv::rectangle(sheet, cv::Rect(x, legend.y + 4, 24, legend.height - 8), *shade, cv::FILLED);
        drawText(sheet, name, {x + 30, middle + 5}, kInk);
        x += 130;
    }
    cv::circle(sheet, {x + 12, middle}, 5, kKeyframeInk, 2, cv::LINE_AA);
    drawText(sheet, "keyframe values (dashed: keyframe frames)", {x + 30, middle + 5}, kInk);
}

}  // namespace

void drawViewPlot(cv::Mat& sheet, const SheetLayout& layout, const std::vector<ViewState>& views,
                  const std::vector<Motion>& motions, const std::vector<Keyframe>& keyframes) {
    const PlotScale scale = plotScale(layout.plot, views, keyframes);
    drawLegend(sheet, layout.legend);
    drawShading(sheet, scale, motions);
    drawGrid(sheet, scale);
    drawKeyframes(sheet, scale, keyframes);
    if (views.empty()) {
        drawText(sheet, "the source reports no frames", layout.plot.tl() + cv::Point(10, 30), kInk);
        return;
    }
    drawCurve(sheet, scale, views, &ViewState::zoom, kZoomInk);
    drawCurve(sheet, scale, views, &ViewState::centerX, kCenterXInk);
    drawCurve(sheet, scale, views, &ViewState::centerY, kCenterYInk);
}

}  // namespace camdrift
