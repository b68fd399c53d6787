#include "preview/plot_scale.h"

#include <algorithm>

namespace camdrift {
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

}  // namespace camdrift
