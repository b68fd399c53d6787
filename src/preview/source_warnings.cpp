#include "app/upright_frame.h"
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
}

}  // namespace camdrift
