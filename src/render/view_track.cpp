#include "render/view_track.h"

#include <utility>

#include "video/int32_truncation.h"

namespace camdrift {

namespace {

// Wide enough for the ramp's product of two 33-bit differences.
__extension__ using WideInt = __int128;

// A difference of two 32-bit values needs 33 bits.
int64_t difference(int32_t x, int32_t y) {
    return int64_t{x} - int64_t{y};
}

// Moves from s at frame a to e at frame b in fractional steps. The product is
// taken before the quotient: the other order differs in the last bit, which
// can make a crop one pixel narrower.
double linearValue(int32_t s, int32_t e, int32_t cur, int32_t a, int32_t b) {
    const int64_t length = difference(b, a);
    if (length == 0) {
        return e;  // a segment of no length is already at its end
    }
    const double span = static_cast<double>(difference(e, s));
    const double done = static_cast<double>(difference(cur, a));
    return span * done / static_cast<double>(length) + s;
}

// Reaches e in whole steps over the last T frames; r frames are left.
double rampValue(int32_t s, int32_t e, int64_t r, int32_t T) {
    if (T == 0) {
        return e;  // a ramp of no length jumps to its end
    }
    const WideInt stepsLeft = WideInt{difference(s, e)} * r / T;  // toward zero
    return static_cast<double>(e) + static_cast<double>(stepsLeft);
}

double componentValue(int32_t s, int32_t e, int32_t cur, int32_t a, int32_t b,
                      int32_t code, int32_t T) {
    // A segment no longer than the ramp moves linearly all along.
    if (code == 0 || difference(b, a) <= T) {
        return linearValue(s, e, cur, a, b);
    }
    const int64_t framesLeft = difference(b, cur);
    if (framesLeft > T) {
        return s;  // the view holds until the ramp starts
    }
    return rampValue(s, e, framesLeft, T);
}

ViewState viewOf(const Keyframe& keyframe) {
    return ViewState{static_cast<double>(keyframe.zoom), static_cast<double>(keyframe.centerX),
                     static_cast<double>(keyframe.centerY)};
}

// From the whole frame at frame 0 to the first keyframe.
Segment leadIn(const Keyframe& first) {
    return Segment{0, first.frame,
                   100, first.zoom,
                   50, first.centerX,
                   50, first.centerY,
                   first.transition};
}

Segment between(const Keyframe& start, const Keyframe& end) {
    return Segment{start.frame, end.frame,
                   start.zoom, end.zoom,
                   start.centerX, end.centerX,
                   start.centerY, end.centerY,
                   end.transition};
}

}  // namespace

int32_t transitionFrames(int32_t code, double transitionSeconds, double fps) {
    switch (code) {
        case 1: return truncateToInt32(transitionSeconds * fps * 2.0);
        case 2: return truncateToInt32(transitionSeconds * fps);
        case 3: return truncateToInt32(transitionSeconds * fps * 0.5);
        default: return 0;
    }
}

void interpolateView(ViewState& view, int32_t cur, const Segment& segment,
                     double transitionSeconds, double fps) {
    const int32_t code = segment.code;
    if (code < 0 || code > 3) {
        return;  // unknown codes keep the previous frame's view
    }
    // Not cached: the length follows the arguments of every call.
    const int32_t T = transitionFrames(code, transitionSeconds, fps);
    const int32_t a = segment.a;
    const int32_t b = segment.b;
    view.zoom = componentValue(segment.za, segment.zb, cur, a, b, code, T);
    view.centerX = componentValue(segment.xa, segment.xb, cur, a, b, code, T);
    view.centerY = componentValue(segment.ya, segment.yb, cur, a, b, code, T);
}

ViewTrack::ViewTrack(std::vector<Keyframe> keyframes, double transitionSeconds, double fps)
    : keyframes_(std::move(keyframes)), transitionSeconds_(transitionSeconds), fps_(fps) {}

const ViewState& ViewTrack::selectSegment(int32_t cur) {
    if (keyframes_.empty()) {
        view_ = ViewState{};
        return view_;
    }
    const Keyframe& first = keyframes_.front();
    if (cur < first.frame) {
        interpolateView(view_, cur, leadIn(first), transitionSeconds_, fps_);
        return view_;
    }
    if (keyframes_.size() == 1) {
        view_ = viewOf(first);  // a lone keyframe has no segment after it
        return view_;
    }
    if (cur > keyframes_.back().frame) {
        return view_;  // past the last keyframe the view stays put
    }
    // At most one step per frame, and never onto the last keyframe.
    if (k_ + 2 < keyframes_.size() && cur >= keyframes_[k_ + 1].frame) {
        ++k_;
    }
    interpolateView(view_, cur, between(keyframes_[k_], keyframes_[k_ + 1]),
                    transitionSeconds_, fps_);
    return view_;
}

}  // namespace camdrift
