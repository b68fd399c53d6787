// Times the tool's per-frame work (decode, crop, scale, encode) through
// OpenCV's I/O and through the libav reader and writer, on one input:
//   camdrift_replica_io opencv|replica INPUT OUTPUT.avi [DECODE_THREADS]
// Prints wall and CPU seconds; the two modes write the same bytes.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>
#include <string>

#include "video/av_source.h"
#include "video/av_writer.h"

namespace {

const cv::Size kOut(1280, 720);

// A view that drifts right and down, 1.125 times the output size.
cv::Rect viewAt(int frame, cv::Size source) {
    const cv::Size view(1440, 810);
    const int spanX = std::max(1, source.width - view.width);
    const int spanY = std::max(1, source.height - view.height);
    return {(frame * 3) % spanX, (frame * 2) % spanY, std::min(view.width, source.width),
            std::min(view.height, source.height)};
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int runOpenCv(const std::string& in, const std::string& out) {
    cv::VideoCapture cap(in, cv::CAP_FFMPEG);
    cv::VideoWriter writer(out, cv::CAP_FFMPEG, cv::VideoWriter::fourcc('X', 'V', 'I', 'D'),
                           cap.get(cv::CAP_PROP_FPS), kOut, true);
    if (!cap.isOpened() || !writer.isOpened()) {
        return -1;
    }
    const cv::Size source(static_cast<int>(cap.get(cv::CAP_PROP_FRAME_WIDTH)),
                          static_cast<int>(cap.get(cv::CAP_PROP_FRAME_HEIGHT)));
    cv::Mat frame, scaled;
    int n = 0;
    while (cap.read(frame)) {
        cv::resize(frame(viewAt(n, source)), scaled, kOut, 0, 0, cv::INTER_LINEAR);
        writer.write(scaled);
        ++n;
    }
    return n;
}

int runReplica(const std::string& in, const std::string& out, int threads) {
    camdrift::AvSourceOptions options;
    options.decodeThreads = threads;
    auto source = camdrift::AvSource::open(in, nullptr, options);
    if (!source) {
        return -1;
    }
    auto opened = camdrift::AvWriter::open(out, cv::VideoWriter::fourcc('X', 'V', 'I', 'D'),
                                           source->fps(), kOut, true);
    if (!opened.writer) {
        return -1;
    }
    std::printf("decoder threads: %d\n", source->decodeThreads());
    const cv::Size size(static_cast<int>(source->width()), static_cast<int>(source->height()));
    cv::Mat region, scaled;
    int n = 0;
    while (source->grab() && source->retrieveRegion(viewAt(n, size), region)) {
        cv::resize(region, scaled, kOut, 0, 0, cv::INTER_LINEAR);
        if (!opened.writer->write(scaled)) {
            return -1;
        }
        ++n;
    }
    return opened.writer->close() ? n : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s opencv|replica INPUT OUTPUT.avi [DECODE_THREADS]\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    const int frames = mode == "opencv" ? runOpenCv(argv[2], argv[3])
                                        : runReplica(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 0);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf("%s: %d frames, wall %.2f s, cpu %.2f s\n", mode.c_str(), frames, wall,
                cpuSeconds() - cpuStart);
    return frames < 0 ? 1 : 0;
}
