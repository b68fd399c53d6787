// Which source frames the contact sheet shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "script/job_script.h"

namespace camdrift {

// Every keyframe's frame that the source has (evenly thinned to `most` when
// there are more), and evenly spread frames from the first to the last
// between them, `wanted` in all or the keyframe count if that is larger.
// Spread frames nearest to another chosen frame are dropped first. Sorted,
// no repeats; empty for a source without frames.
std::vector<int32_t> selectSheetFrames(const std::vector<Keyframe>& keyframes, int32_t frameCount,
                                       size_t wanted = 12, size_t most = 16);

}  // namespace camdrift
