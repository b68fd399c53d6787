// Properties of the source video, read once after it opens.
#pragma once

#include <cstdint>

namespace camdrift {

struct SourceInfo {
    int32_t width = 0;
    int32_t height = 0;
    double fps = 0.0;
    int32_t frameCount = 0;
};

}  // namespace camdrift
