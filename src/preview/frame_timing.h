// How evenly a video's frames are spaced in time. camdrift writes every
// decoded frame at one rate, so a source whose frames come at varying
// intervals plays back with its picture running ahead of or behind its sound.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace camdrift {

struct FrameTiming {
    int64_t frames = 0;
    double spanSeconds = 0.0;   // from the first frame to the last
    double averageFps = 0.0;    // over that span
    // The largest gap between a frame's time and its time at the average
    // rate: how uneven the spacing is, whatever rate the source reports.
    double unevenSeconds = 0.0;
    double writtenFps = 0.0;    // the rate camdrift writes at
    // The largest gap between a frame's time and when the output shows it
    // at the written rate.
    double driftSeconds = 0.0;
    double lowestFps = 0.0;     // the rate of the longest interval between two frames
    double highestFps = 0.0;    // of the shortest; infinite when two frames share a time
    bool wholeSource = true;    // false when only the source's first part was looked at
};

// The timing of frames presented at `seconds`, in any order (decoders
// reorder B-frames, so containers may list them out of order), written at
// `writtenFps`; a rate that is 0 or less stands for the average. Nothing for
// fewer than two frames or when they all share one time.
std::optional<FrameTiming> frameTimingOf(std::vector<double> seconds, double writtenFps);

// True when some frame is at least one frame's duration away from where the
// average rate puts it. Timestamps rounded to their time base (1/1000 s in
// Matroska) stay far below that, so a constant rate never counts.
bool unevenByAFrame(const FrameTiming& timing);

}  // namespace camdrift
