#include "platform/platform.h"
#include "preview/report_text.h"
#include "preview/warning_checks.h"
#include "render/view_track.h"

namespace camdrift {
namespace {

using Attempts = std::vector<const KeyframeAttempt*>;

void addFrameWarnings(const Attempts& keyframes, size_t i, const std::optional<SourceInfo>& source,
                      std::vector<Warning>& warnings) {
    const KeyframeAttempt& at = *keyframes[i];
    const int32_t frame = at.values.frame;
    if (frame < 0) {
        warnings.push_back({at.labelLine, platform::formatText(
            "frame %d is before the first frame, 0", static_cast<int>(frame))});
    }
    if (i > 0 && frame <= keyframes[i - 1]->values.frame) {
        const KeyframeAttempt& before = *keyframes[i - 1];
        warnings.push_back({at.labelLine, platform::formatText(
            "frame %d does not come after frame %d of the keyframe before it (line %d)",
            static_cast<int>(frame), static_cast<int>(before.values.frame), before.labelLine)});
    }
    if (source && source->frameCount > 0 && frame > source->frameCount - 1) {
        warnings.push_back({at.labelLine, platform::formatText(
            "frame %d is past the source's last frame, %d", static_cast<int>(frame),
            static_cast<int>(source->frameCount - 1))});
    }
}

void addViewWarnings(const KeyframeAttempt& at, std::vector<Warning>& warnings) {
    const Keyframe& k = at.values;
    if (k.zoom <= 0) {
        warnings.push_back({at.labelLine, platform::formatText(
            "zoom %d is 0 or less; the view shrinks to a single pixel", static_cast<int>(k.zoom))});
    } else if (k.zoom > 100) {
        warnings.push_back({at.labelLine, platform::formatText(
            "zoom %d is over 100; the whole frame is shown", static_cast<int>(k.zoom))});
    }
    const std::pair<const char*, int32_t> centres[] = {{"centerX", k.centerX},
                                                      {"centerY", k.centerY}};
    for (const auto& [name, value] : centres) {
        if (value >= 0 && value <= 100) continue;
        warnings.push_back({at.labelLine, platform::formatText(
            "%s %d is outside 0 to 100; the view is pushed back inside the frame", name,
            static_cast<int>(value))});
    }
}

// A T of 0 or less matters only where the segment would hold and ramp.
void addCodeWarnings(const PreviewInput& input, const KeyframeAttempt& at, size_t index,
                     std::vector<Warning>& warnings) {
    const int32_t code = at.values.transition;
    const std::optional<SourceInfo>& source = input.source;
    if (code < 0 || code > 3) {
        warnings.push_back({at.labelLine, platform::formatText(
            "transition code %d is not 0 to 3; the view stays as it was on the way to this "
            "keyframe",
            static_cast<int>(code))});
        return;
    }
    if (code == 0 || !source) return;
    const int32_t T = transitionFrames(code, input.job.transitionSeconds, source->fps);
    const int64_t length = segmentLength(input.job.keyframes, index);
    if (T > 0 || segmentKind(code, length, T) != SegmentKind::HoldThenRamp) return;
    warnings.push_back({at.labelLine, platform::formatText(
        "transition code %d gives T = %d frames at %g fps; the view jumps to this keyframe "
        "instead of ramping",
        static_cast<int>(code), static_cast<int>(T), source->fps)});
}

}  // namespace

void addKeyframeWarnings(const PreviewInput& input, std::vector<Warning>& warnings) {
    const Attempts keyframes = acceptedAttempts(input.report);
    for (size_t i = 0; i < keyframes.size(); ++i) {
        addFrameWarnings(keyframes, i, input.source, warnings);
        addViewWarnings(*keyframes[i], warnings);
        addCodeWarnings(input, *keyframes[i], i, warnings);
    }
}

}  // namespace camdrift
