#include "preview/frame_timing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace camdrift {

std::optional<FrameTiming> frameTimingOf(std::vector<double> seconds, double writtenFps) {
    if (seconds.size() < 2) return std::nullopt;
    std::sort(seconds.begin(), seconds.end());
    const double start = seconds.front();
    const double span = seconds.back() - start;
    if (!(span > 0.0) || !std::isfinite(span)) return std::nullopt;
    const double intervals = static_cast<double>(seconds.size() - 1);
    FrameTiming timing;
    timing.frames = static_cast<int64_t>(seconds.size());
    timing.spanSeconds = span;
    timing.averageFps = intervals / span;
    const bool writtenKnown = writtenFps > 0.0 && std::isfinite(writtenFps);
    timing.writtenFps = writtenKnown ? writtenFps : timing.averageFps;
    double shortest = std::numeric_limits<double>::infinity();
    double longest = 0.0;
    for (size_t i = 0; i < seconds.size(); ++i) {
        const double time = seconds[i] - start;
        const double frame = static_cast<double>(i);
        // Measured along the span, not by adding up intervals, so the time
        // base's rounding of each timestamp never accumulates.
        timing.unevenSeconds = std::max(timing.unevenSeconds,
                                        std::fabs(time - span * frame / intervals));
        const double shown = writtenKnown ? frame / writtenFps : span * frame / intervals;
        timing.driftSeconds = std::max(timing.driftSeconds, std::fabs(time - shown));
        if (i > 0) {
            const double interval = seconds[i] - seconds[i - 1];
            shortest = std::min(shortest, interval);
            longest = std::max(longest, interval);
        }
    }
    timing.lowestFps = 1.0 / longest;
    timing.highestFps = shortest > 0.0 ? 1.0 / shortest : std::numeric_limits<double>::infinity();
    return timing;
}

bool unevenByAFrame(const FrameTiming& timing) {
    return timing.unevenSeconds * timing.averageFps >= 1.0;
}

}  // namespace camdrift
