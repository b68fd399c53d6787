#include <cmath>

#include "video/upright_frame.h"
#include "platform/platform.h"
#include "preview/warning_checks.h"

namespace camdrift {
namespace {

constexpr int kSourceLine = 2;

void addRotationWarning(const SourceInfo& source, std::vector<Warning>& warnings) {
    if (source.rotation == 0) return;
    const char* outcome = turnsFrames(source.rotation) ? "camdrift shows it upright"
                                                       : "camdrift leaves its frames as stored";
    warnings.push_back({kSourceLine, platform::formatText(
        "the source is rotated %d degree%s by its metadata; %s (%d x %d)",
        static_cast<int>(source.rotation), source.rotation == 1 ? "" : "s", outcome,
        static_cast<int>(source.width), static_cast<int>(source.height))});
}

// The range of rates is left out when two frames share a time: an infinite
// rate tells nothing.
void addTimingWarning(const FrameTiming& timing, std::vector<Warning>& warnings) {
    if (!unevenByAFrame(timing)) return;
    const std::string rates =
        std::isfinite(timing.highestFps)
            ? platform::formatText(" (%.4g to %.4g fps)", timing.lowestFps, timing.highestFps)
            : "";
    const std::string part =
        timing.wholeSource
            ? ""
            : platform::formatText(" in its first %.0f s, as far as the preview reads",
                                   timing.spanSeconds);
    warnings.push_back({kSourceLine, platform::formatText(
        "the source has a variable frame rate%s; camdrift writes every frame at %g fps, so "
        "the picture drifts from the sound by up to %.3f s%s",
        rates.c_str(), timing.writtenFps, timing.driftSeconds, part.c_str())});
}

}  // namespace

void addSourceWarnings(const PreviewInput& input, std::vector<Warning>& warnings) {
    if (!input.source) return;
    const SourceInfo& source = *input.source;
    if (source.frameCount <= 0) {
        warnings.push_back({kSourceLine, platform::formatText(
            "the source reports %d frames; camdrift will write none",
            static_cast<int>(source.frameCount))});
    }
    addRotationWarning(source, warnings);
    if (input.sourceTiming) addTimingWarning(*input.sourceTiming, warnings);
}

}  // namespace camdrift
