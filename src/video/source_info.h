// Properties of the source video, read once after it opens.
#pragma once

#include <cstdint>

namespace camdrift {

struct SourceInfo {
    int32_t width = 0;   // upright: a phone video's portrait frames are taller than wide
    int32_t height = 0;
    double fps = 0.0;
    int32_t frameCount = 0;
    int32_t rotation = 0;  // the turn in the metadata, degrees counterclockwise (0 to 359)
};

}  // namespace camdrift
