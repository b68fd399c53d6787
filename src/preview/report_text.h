// The preview's words for how the job script was read.
// Script text quoted so blanks and control characters show, the codec code
// byte by byte, how the view moves over each keyframe segment, and the
// report of the paths, the transition time, the sizes and the keyframes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "preview/job_facts.h"
#include "script/job_script.h"

namespace camdrift {

// UTF-8 between double quotes; a quote or backslash gets a backslash, control
// bytes are written \n, \r, \t or \xHH, so trailing blanks stay visible.
std::string quoted(std::u16string_view text);

// The codec code's first four bytes separated by blanks: a printable byte as
// itself, else \n, \r, \t, \0 or \xHH ("M J P G", "X V \n \0"). A blank
// would vanish between the separators, so it is written \x20.
std::string codecCodeText(const CodecCode& code);

// How the view moves over one keyframe segment, as a kind for the plot's
// shading and the warnings. The views themselves come from ViewTrack.
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

// The header part of the report, with the source's properties when it
// could be opened, then the keyframe table.
std::string describeReading(const PreviewInput& input, const std::string& scriptPath);

// The accepted keyframes as a table with the line each came from.
std::string keyframeTable(const PreviewInput& input);

}  // namespace camdrift
