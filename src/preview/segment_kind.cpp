#include "preview/segment_kind.h"

#include "platform/platform.h"
#include "render/view_track.h"

namespace camdrift {
namespace {

bool holdsThenRamps(int32_t code) { return code >= 1 && code <= 3; }

const char* rampShareText(int32_t code) {
    switch (code) {
        case 1: return "twice the transition time";
        case 2: return "the transition time";
        default: return "half the transition time";
    }
}

}  // namespace

SegmentKind segmentKind(int32_t code, int64_t length, int32_t rampFrames) {
    if (code == 0) return SegmentKind::Linear;
    if (!holdsThenRamps(code)) return SegmentKind::Stays;
    return length <= rampFrames ? SegmentKind::Linear : SegmentKind::HoldThenRamp;
}

int64_t segmentLength(const std::vector<Keyframe>& keyframes, size_t index) {
    const int64_t start = index == 0 ? 0 : keyframes[index - 1].frame;
    return int64_t{keyframes[index].frame} - start;
}

std::string segmentText(int32_t code, int64_t length, double transitionSeconds,
                        std::optional<double> fps) {
    if (code == 0) return "linear";
    if (!holdsThenRamps(code)) return "the view stays as it was (unknown code)";
    if (!fps) return std::string("hold, then ramp over ") + rampShareText(code);
    const int32_t T = transitionFrames(code, transitionSeconds, *fps);
    switch (segmentKind(code, length, T)) {
        case SegmentKind::Linear:
            return platform::formatText("linear (T = %d frames is not shorter than the segment)",
                                        T);
        case SegmentKind::HoldThenRamp:
            if (T <= 0) return platform::formatText("hold, then jump (T = %d frames)", T);
            return platform::formatText("hold, then ramp over %d frames", T);
        case SegmentKind::Stays:
            break;
    }
    return "the view stays as it was";
}

}  // namespace camdrift
