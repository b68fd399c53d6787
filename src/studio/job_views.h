// What the job does to the picture, frame by frame, computed by the run's
// own code (the reader, ViewTrack, computeCropRect, renderView) so the page
// never does view math of its own.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "render/view_state.h"
#include "script/job_script.h"
#include "studio/studio_job.h"

namespace camdrift {

// The job as camdrift will read it: its script text through the tool's reader.
JobScript readAsTool(const StudioJob& job, const std::string& decimalPoint);

// The view of frame `frame`, with ViewTrack driven from frame 0 as a run does.
ViewState viewAt(const JobScript& job, double fps, int32_t frame);

// The crop rectangle of `view` on a frame of `sourceSize`, in its pixels, as
// a run of `job` crops it (in the source's shape, the whole frame from zoom
// 100 up, however large; or in the output's shape when the job asks for it).
cv::Rect cropRectOf(cv::Size sourceSize, const ViewState& view, const JobScript& job);

struct Track {
    std::vector<ViewState> views;  // frames 0 to frameCount - 1
    std::vector<cv::Rect> crops;   // the crop rectangle of each, in upright source pixels
    std::string motion;            // per frame: 'S' still, 'L' linear, 'R' ramp
};

Track trackOf(const JobScript& job, double fps, int32_t frameCount, cv::Size sourceSize);

// The output frame exactly as camdrift writes it from `upright`.
cv::Mat outputFrame(const cv::Mat& upright, const JobScript& job, const ViewState& view);

// T in frames for codes 1, 2 and 3 at `fps`.
std::vector<int32_t> rampFrames(double transitionSeconds, double fps);

}  // namespace camdrift
