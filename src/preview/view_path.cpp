#include "preview/view_path.h"

#include "preview/report_text.h"
#include "render/view_track.h"

namespace camdrift {
namespace {

bool sameView(const ViewState& a, const ViewState& b) {
    return a.zoom == b.zoom && a.centerX == b.centerX && a.centerY == b.centerY;
}

// The segment whose frames (start, end] hold frame `n` ends at keyframes[k];
// k is the keyframe count past the last one.
class SegmentCursor {
public:
    explicit SegmentCursor(const std::vector<Keyframe>& keyframes) : keyframes_(keyframes) {}
    size_t endingAt(int32_t n) {
        while (k_ < keyframes_.size() && keyframes_[k_].frame < n) ++k_;
        return k_;
    }

private:
    const std::vector<Keyframe>& keyframes_;
    size_t k_ = 0;
};

Motion movingKind(const JobScript& job, size_t k, double fps) {
    if (k >= job.keyframes.size()) return Motion::Linear;
    const int32_t code = job.keyframes[k].transition;
    const int32_t T = transitionFrames(code, job.transitionSeconds, fps);
    const SegmentKind kind = segmentKind(code, segmentLength(job.keyframes, k), T);
    return kind == SegmentKind::HoldThenRamp ? Motion::Ramp : Motion::Linear;
}

}  // namespace

std::vector<ViewState> viewPath(const JobScript& job, double fps, int32_t frames) {
    std::vector<ViewState> views;
    if (frames <= 0) return views;
    views.reserve(static_cast<size_t>(frames));
    ViewTrack track(job.keyframes, job.transitionSeconds, fps);
    for (int32_t cur = 0; cur < frames; ++cur) views.push_back(track.selectSegment(cur));
    return views;
}

// A ramp moves in whole steps, so some of its frames repeat the view before
// them; once a segment has started moving, all its later frames count as moving.
std::vector<Motion> motionPath(const std::vector<ViewState>& views, const JobScript& job,
                               double fps) {
    std::vector<Motion> motions(views.size(), Motion::Still);
    SegmentCursor segments(job.keyframes);
    size_t segment = 0;
    bool moving = false;
    for (size_t n = 1; n < views.size(); ++n) {
        const size_t k = segments.endingAt(static_cast<int32_t>(n));
        if (k != segment) {
            segment = k;
            moving = false;
        }
        moving = moving || !sameView(views[n], views[n - 1]);
        if (moving) motions[n] = movingKind(job, k, fps);
    }
    return motions;
}

}  // namespace camdrift
