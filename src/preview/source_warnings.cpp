#include "platform/platform.h"
#include "preview/warning_checks.h"

namespace camdrift {
namespace {

constexpr int kSourceLine = 2;

}  // namespace

void addSourceWarnings(const PreviewInput& input, std::vector<Warning>& warnings) {
    if (!input.source) return;
    const SourceInfo& source = *input.source;
    if (source.frameCount <= 0) {
        warnings.push_back({kSourceLine, platform::formatText(
            "the source reports %d frames; camdrift will write none",
            static_cast<int>(source.frameCount))});
    }
}

}  // namespace camdrift
