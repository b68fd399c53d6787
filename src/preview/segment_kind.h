// How the view moves over one keyframe segment, in words for the report and
// as a kind for the plot's shading. The views themselves come from ViewTrack.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "script/job_script.h"

namespace camdrift {

enum class SegmentKind {
    Linear,        // code 0, or a ramp at least as long as the segment
    HoldThenRamp,  // codes 1 to 3: the start view holds, then ramps (or jumps)
    Stays,         // any other code: the view keeps the previous frame's
};

// `rampFrames` is T of codes 1 to 3; `length` is the segment's end frame
// minus its start frame.
SegmentKind segmentKind(int32_t code, int64_t length, int32_t rampFrames);

// Frames from the start of the segment that ends at keyframes[index] (the
// previous keyframe, or frame 0 for the first) to its end.
int64_t segmentLength(const std::vector<Keyframe>& keyframes, size_t index);

// "linear", "hold, then ramp over 37 frames", ... Without the source's frame
// rate the ramp is told in transition times.
std::string segmentText(int32_t code, int64_t length, double transitionSeconds,
                        std::optional<double> fps);

}  // namespace camdrift
