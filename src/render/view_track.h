// The view of every frame, followed along the keyframes.
#pragma once

#include <cstdint>
#include <vector>

#include "render/view_state.h"
#include "script/job_script.h"

namespace camdrift {

// Length T in frames of the hold-then-ramp codes 1 to 3 (0 for other codes).
int32_t transitionFrames(int32_t code, double transitionSeconds, double fps);

struct Segment {
    int32_t a, b;      // start and end frame
    int32_t za, zb;    // zoom
    int32_t xa, xb;    // centerX
    int32_t ya, yb;    // centerY
    int32_t code;      // transition code of the end keyframe
};

// Writes the view of frame `cur` within `segment` into `view`, or leaves it
// unchanged for a code outside 0 to 3.
void interpolateView(ViewState& view, int32_t cur, const Segment& segment,
                     double transitionSeconds, double fps);

// Follows the keyframes frame by frame. The cursor only moves forward, so
// selectSegment is called once per frame with increasing frame indices.
class ViewTrack {
public:
    ViewTrack(std::vector<Keyframe> keyframes, double transitionSeconds, double fps);

    // Brings the view up to date for frame `cur` and returns it.
    const ViewState& selectSegment(int32_t cur);
    const ViewState& view() const { return view_; }

private:
    std::vector<Keyframe> keyframes_;
    double transitionSeconds_;
    double fps_;
    size_t k_ = 0;
    ViewState view_;
};

}  // namespace camdrift
