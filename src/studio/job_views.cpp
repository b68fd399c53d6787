#include "studio/job_views.h"

#include "preview/view_plot.h"
#include "render/frame_render.h"
#include "render/view_track.h"
#include "script/job_script_reader.h"
#include "script/utf8.h"

namespace camdrift {

JobScript readAsTool(const StudioJob& job, const std::string& decimalPoint) {
    return parseJobScript(decodeUtf8(scriptText(job, decimalPoint)), decimalPoint);
}

ViewState viewAt(const JobScript& job, double fps, int32_t frame) {
    ViewTrack track(job.keyframes, job.transitionSeconds, fps);
    ViewState view;
    for (int32_t cur = 0; cur <= frame; ++cur) view = track.selectSegment(cur);
    return view;
}

cv::Rect cropRectOf(cv::Size sourceSize, const ViewState& view, const JobScript& job) {
    return viewRect(sourceSize, view, cropShapingOf(job));
}

Track trackOf(const JobScript& job, double fps, int32_t frameCount, cv::Size sourceSize) {
    Track track;
    track.views = viewPath(job, fps, frameCount);
    track.crops.reserve(track.views.size());
    const CropShaping shaping = cropShapingOf(job);
    for (const ViewState& view : track.views) {
        track.crops.push_back(viewRect(sourceSize, view, shaping));
    }
    const std::vector<Motion> motions = motionPath(track.views, job, fps);
    track.motion.reserve(motions.size());
    for (Motion motion : motions) {
        track.motion += motion == Motion::Ramp ? 'R' : motion == Motion::Linear ? 'L' : 'S';
    }
    return track;
}

cv::Mat outputFrame(const cv::Mat& upright, const JobScript& job, const ViewState& view) {
    cv::Mat scaled;
    renderView(upright, view, cv::Size(job.outputWidth, job.outputHeight), scaled,
               cropShapingOf(job));
    return scaled;
}

std::vector<int32_t> rampFrames(double transitionSeconds, double fps) {
    return {transitionFrames(1, transitionSeconds, fps), transitionFrames(2, transitionSeconds, fps),
            transitionFrames(3, transitionSeconds, fps)};
}

}  // namespace camdrift
