// The work of one frame between decode and encode: the view update, the crop
// rectangle and the bilinear scaling of the cropped part.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "render/crop_rect.h"
#include "render/view_track.h"

namespace {

using namespace camdrift;

// A path that stays zoomed in, so every frame takes the crop path, with
// linear segments and hold-then-ramp segments.
const std::vector<Keyframe> kPath = {{0, 90, 50, 50, 0},   {200, 40, 30, 40, 2},
                                     {400, 60, 70, 60, 0}, {600, 35, 20, 80, 1},
                                     {800, 80, 50, 50, 3}, {1000, 90, 50, 50, 0}};
const int32_t kPathEnd = 1000;

void frameWork(benchmark::State& state, cv::Size source, cv::Size output) {
    cv::Mat frame(source, CV_8UC3);
    cv::randu(frame, cv::Scalar::all(0), cv::Scalar::all(256));
    ViewTrack track(kPath, 1.5, 25.0);
    int32_t cur = 0;
    for (auto _ : state) {
        if (cur > kPathEnd) {  // the cursor only moves forward: start the path over
            track = ViewTrack(kPath, 1.5, 25.0);
            cur = 0;
        }
        const ViewState& view = track.selectSegment(cur);
        const cv::Rect rect = computeCropRect(source.width, source.height, view);
        cv::Mat scaled;
        cv::resize(cv::Mat(frame, rect), scaled, output, 0, 0, cv::INTER_LINEAR);
        benchmark::DoNotOptimize(scaled.data);
        ++cur;
    }
    state.SetItemsProcessed(state.iterations());
}

void viewOnly(benchmark::State& state) {
    ViewTrack track(kPath, 1.5, 25.0);
    int32_t cur = 0;
    for (auto _ : state) {
        if (cur > kPathEnd) {
            track = ViewTrack(kPath, 1.5, 25.0);
            cur = 0;
        }
        const cv::Rect rect = computeCropRect(1920, 1080, track.selectSegment(cur));
        benchmark::DoNotOptimize(rect);
        ++cur;
    }
}

void frameWork1080To720(benchmark::State& state) {
    frameWork(state, {1920, 1080}, {1280, 720});
}

void frameWork720To360(benchmark::State& state) {
    frameWork(state, {1280, 720}, {640, 360});
}

}  // namespace

BENCHMARK(viewOnly);
BENCHMARK(frameWork1080To720)->Unit(benchmark::kMillisecond);
BENCHMARK(frameWork720To360)->Unit(benchmark::kMillisecond);
