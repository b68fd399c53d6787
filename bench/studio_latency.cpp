// How long camdrift-studio takes to answer for a frame while someone scrubs:
// the next frame (the arrow key, playback) and a jump anywhere (the slider).
// Measured on the handlers the page calls, without a socket, and on the
// FramesByNumber beneath them, so the decoder's share shows.
//
//   camdrift_studio_latency VIDEO [--jumps N] [--runs N]
//
// Prints p50, p95 and the worst wall time of each, in milliseconds, and the
// median CPU time of the whole process (decoder threads included): on a
// machine shared with other work the wall time grows, the CPU time hardly.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "studio/frames_by_number.h"
#include "studio/studio_handlers.h"
#include "studio/studio_state.h"
#include "video/opencv_video_io_linked.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kToken = "bench";

struct Samples {
    const char* name;
    std::vector<double> ms;
    std::vector<double> cpuMs;
};

double processCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t at = static_cast<size_t>(p * (values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

void timed(Samples& samples, const std::function<bool()>& work, bool& ok) {
    const double cpuStart = processCpuMs();
    const auto start = Clock::now();
    ok = work() && ok;
    samples.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    samples.cpuMs.push_back(processCpuMs() - cpuStart);
}

// As camdrift-studio opens them: the run's reader.
std::unique_ptr<camdrift::FramesByNumber> openFrames(const std::string& video) {
    return camdrift::openFramesByNumber(video, camdrift::VideoIo::Libav,
                                        camdrift::linkedOpenCvVideoIo);
}

camdrift::Request request(const std::string& method, const std::string& path) {
    camdrift::Request r;
    r.method = method;
    r.path = path;
    r.headers["x-studio-token"] = kToken;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s VIDEO [--jumps N] [--runs N]\n", argv[0]);
        return 2;
    }
    const std::string video = argv[1];
    int jumps = 100;  // random frames
    int runs = 20;    // forward runs after a jump, 10 next frames each
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--jumps") jumps = std::atoi(argv[i + 1]);
        if (option == "--runs") runs = std::atoi(argv[i + 1]);
    }
    const auto opening = Clock::now();
    std::unique_ptr<camdrift::FramesByNumber> source = openFrames(video);
    if (!source) {
        std::fprintf(stderr, "can't open %s\n", video.c_str());
        return 1;
    }
    const double openMs = std::chrono::duration<double, std::milli>(Clock::now() - opening).count();
    const camdrift::SourceInfo info = source->info();
    std::printf("%s: %d x %d upright (turned %d), %.3f fps, %d frames; opened in %.0f ms\n",
                video.c_str(), info.width, info.height, info.rotation, info.fps, info.frameCount,
                openMs);

    camdrift::StudioSession session{"unused.job", video, ".", kToken, 1, kToken};
    camdrift::StudioState state(session, std::move(source), "/bin/false",
                                camdrift::VideoIo::Libav, camdrift::linkedOpenCvVideoIo);
    // The job the page sends with the output request: one keyframe, half
    // zoom, the output the source's size as a new script has it.
    const nlohmann::json job = {
        {"output", "out.mp4"}, {"muxer", ""}, {"codec", "avc1"}, {"transitionSeconds", 1},
        {"width", info.width}, {"height", info.height},
        {"keyframes", {{{"label", "k"}, {"frame", info.frameCount / 2}, {"zoom", 50},
                        {"centerX", 40}, {"centerY", 50}, {"transition", 2}}}}};

    Samples seekFrame{"random jump: FramesByNumber::frameAt", {}, {}};
    Samples seekJpeg{"random jump: GET /api/frame (JPEG, 1280 wide)", {}, {}};
    Samples nextFrame{"next frame: FramesByNumber::frameAt", {}, {}};
    Samples nextJpeg{"next frame: GET /api/frame (JPEG, 1280 wide)", {}, {}};
    Samples outputPng{"output frame: POST /api/output (PNG, source size)", {}, {}};
    bool ok = true;

    std::mt19937 draw(20240601);
    std::uniform_int_distribution<int32_t> anyFrame(0, info.frameCount - 12);
    // The page asks for the source picture, then the output of the same
    // frame (its decode is kept); the frame source alone is timed on a
    // second source so the kept frame doesn't hide the decode.
    std::unique_ptr<camdrift::FramesByNumber> bare = openFrames(video);
    cv::Mat frame;
    auto jpegOf = [&](int32_t n) {
        camdrift::Request r = request("GET", "/api/frame");
        r.query = {{"n", std::to_string(n)}, {"maxWidth", "1280"}};
        return camdrift::handle(r, state).status == 200;
    };
    for (int i = 0; i < jumps; ++i) {
        const int32_t n = anyFrame(draw);
        timed(seekFrame, [&] { return bare->frameAt(n, frame); }, ok);
        timed(seekJpeg, [&] { return jpegOf(n); }, ok);
        if (i < runs) {
            for (int32_t step = 1; step <= 10; ++step) {
                timed(nextFrame, [&] { return bare->frameAt(n + step, frame); }, ok);
                timed(nextJpeg, [&] { return jpegOf(n + step); }, ok);
            }
            camdrift::Request r = request("POST", "/api/output");
            r.body = nlohmann::json{{"job", job}, {"frame", n + 10}}.dump();
            timed(outputPng, [&] { return camdrift::handle(r, state).status == 200; }, ok);
        }
    }
    std::printf("%-52s %8s %8s %8s %8s %5s\n", "", "p50 ms", "p95 ms", "max ms", "CPU p50",
                "n");
    for (const Samples* s : {&nextFrame, &nextJpeg, &seekFrame, &seekJpeg, &outputPng}) {
        std::printf("%-52s %8.1f %8.1f %8.1f %8.1f %5zu\n", s->name, percentile(s->ms, 0.5),
                    percentile(s->ms, 0.95), percentile(s->ms, 1.0), percentile(s->cpuMs, 0.5),
                    s->ms.size());
    }
    if (!ok) {
        std::fprintf(stderr, "some frames could not be fetched\n");
        return 1;
    }
    return 0;
}
