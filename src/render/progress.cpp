#include "render/progress.h"

#include "platform/platform.h"

namespace camdrift {

std::string progressLine(int32_t cur, int32_t frameCount) {
    // The product is formed in 64 bits so very long videos can't overflow it.
    const int64_t percent = frameCount > 0 ? static_cast<int64_t>(cur) * 100 / frameCount : 0;
    return platform::formatText("Processed: %i%% (%i / %i)\n", static_cast<int>(percent),
                                static_cast<int>(cur), static_cast<int>(frameCount));
}

}  // namespace camdrift
