// camdrift_floor: the two floors that bench/compare sets camdrift against.
//
//   camdrift_floor read SRC
//       Decodes every frame of SRC through cv::VideoCapture (FFmpeg backend) and
//       does nothing else with them: no rendering tool can read its source faster.
//   camdrift_floor write OUT WIDTH HEIGHT FPS FRAMES FOURCC SRC
//       Writes FRAMES frames of WIDTH x HEIGHT through cv::VideoWriter, reading
//       nothing while it does. The frames are real pictures (up to 30 frames of
//       SRC, scaled to the output size beforehand) so the encoder works as hard
//       as it does on camdrift's output; a flat frame would encode for free.
//       Prints write_seconds=X, the time of the writing alone, on stdout.
//   camdrift_floor loop serial|pipelined JOBSCRIPT
//       Renders the job as camdrift does (same opening, same frame loop) with
//       the loop in the given mode, and nothing after it: no packet check, no
//       muxer. Comparing the two modes shows what the second thread buys.
//   camdrift_floor check OUT FRAMES
//       Times what a run does after the writer closes to make sure OUT holds
//       all FRAMES frames (counting its packets), and 300 checks of free space
//       (one per frame of a bench job). Prints check_seconds=X.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "render/frame_loop.h"
#include "script/job_script_reader.h"
#include "script/utf8.h"
#include "video/frame_io_open.h"
#include "video/opencv_video_io_linked.h"
#include "video/packet_count.h"
#include "video/video_open.h"

namespace {

constexpr int kPreparedFrameLimit = 30;

struct WriteRequest {
    std::string outputPath;
    cv::Size size;
    double fps = 0;
    int frames = 0;
    std::string fourcc;
    std::string sourcePath;
};

int usage() {
    std::fprintf(stderr,
                 "usage: camdrift_floor read SRC\n"
                 "       camdrift_floor write OUT WIDTH HEIGHT FPS FRAMES FOURCC SRC\n"
                 "       camdrift_floor loop serial|pipelined JOBSCRIPT\n"
                 "       camdrift_floor check OUT FRAMES\n");
    return 2;
}

int readFloor(const std::string& sourcePath) {
    cv::VideoCapture capture(sourcePath, cv::CAP_FFMPEG);
    if (!capture.isOpened()) {
        std::fprintf(stderr, "can't open %s\n", sourcePath.c_str());
        return 1;
    }
    cv::Mat frame;
    long frames = 0;
    while (capture.read(frame)) {
        ++frames;
    }
    std::printf("frames=%ld\n", frames);
    return 0;
}

// Decoding and scaling happen here, before the clock starts, so the write
// floor holds nothing but the encoder and the muxer.
std::vector<cv::Mat> prepareFrames(const std::string& sourcePath, cv::Size size) {
    cv::VideoCapture capture(sourcePath, cv::CAP_FFMPEG);
    std::vector<cv::Mat> prepared;
    cv::Mat frame;
    while (static_cast<int>(prepared.size()) < kPreparedFrameLimit && capture.read(frame)) {
        cv::Mat scaled;
        cv::resize(frame, scaled, size, 0, 0, cv::INTER_LINEAR);
        prepared.push_back(scaled);
    }
    return prepared;
}

double timedWrite(const WriteRequest& request, const std::vector<cv::Mat>& prepared) {
    const std::string& c = request.fourcc;
    cv::VideoWriter writer(request.outputPath, cv::CAP_FFMPEG,
                           cv::VideoWriter::fourcc(c[0], c[1], c[2], c[3]), request.fps,
                           request.size, true);
    if (!writer.isOpened()) {
        return -1;
    }
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < request.frames; ++i) {
        writer << prepared[static_cast<size_t>(i) % prepared.size()];
    }
    // Closing flushes the frames the encoder still holds, so it is part of writing.
    writer.release();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int writeFloor(const WriteRequest& request) {
    std::vector<cv::Mat> prepared = prepareFrames(request.sourcePath, request.size);
    if (prepared.empty()) {
        std::fprintf(stderr, "can't read a frame of %s\n", request.sourcePath.c_str());
        return 1;
    }
    double seconds = timedWrite(request, prepared);
    if (seconds < 0) {
        std::fprintf(stderr, "can't open %s for writing\n", request.outputPath.c_str());
        return 1;
    }
    std::printf("write_seconds=%.6f\n", seconds);
    return 0;
}

WriteRequest parseWriteRequest(char** args) {
    WriteRequest request;
    request.outputPath = args[0];
    request.size = cv::Size(std::stoi(args[1]), std::stoi(args[2]));
    request.fps = std::stod(args[3]);
    request.frames = std::stoi(args[4]);
    request.fourcc = args[5];
    request.sourcePath = args[6];
    return request;
}

bool isValid(const WriteRequest& request) {
    return request.size.width > 0 && request.size.height > 0 && request.fps > 0 &&
           request.frames >= 0 && request.fourcc.size() == 4;
}

int loopFloor(camdrift::FrameLoopMode mode, const std::string& scriptPath) {
    const std::optional<camdrift::JobScript> job = camdrift::readJobScript(scriptPath, ".");
    if (!job) {
        std::fprintf(stderr, "can't read %s\n", scriptPath.c_str());
        return 1;
    }
    // The run's own choice of reader and writer, CAMDRIFT_VIDEO_IO included.
    const camdrift::VideoIo io = camdrift::videoIoFor(std::getenv("CAMDRIFT_VIDEO_IO"));
    const std::string outputPath = camdrift::encodeUtf8(job->outputPath);
    camdrift::OpenedSource source = camdrift::openFrameSource(
        camdrift::encodeUtf8(job->inputPath), io, camdrift::linkedOpenCvVideoIo);
    if (!source.frames) {
        std::fprintf(stderr, "can't open the source\n");
        return 1;
    }
    camdrift::OpenedWriter writer = camdrift::openFrameWriter(outputPath, *job, source.info.fps,
                                                              io, camdrift::linkedOpenCvVideoIo);
    if (!writer.frames) {
        std::fprintf(stderr, "can't open %s for writing\n", outputPath.c_str());
        return 1;
    }
    camdrift::platform::Console console(stdout);
    const camdrift::FrameLoopResult result =
        camdrift::runFrameLoop(*source.frames, *writer.frames, source.info, *job, console, mode);
    source.frames.reset();
    writer.frames->close();
    std::printf("frames=%d\n", static_cast<int>(result.framesWritten));
    return 0;
}

int checkFloor(const std::string& outputPath, long frames) {
    const auto start = std::chrono::steady_clock::now();
    const camdrift::platform::FileLock lock(outputPath);
    bool full = false;
    for (int i = 0; i < 300; ++i) full = full || lock.fileSystemFull();
    const std::optional<int64_t> packets = camdrift::countVideoPackets(outputPath);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("packets=%lld full=%d check_seconds=%.6f\n",
                static_cast<long long>(packets.value_or(-1)), full ? 1 : 0, seconds);
    return packets && *packets >= frames ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "read" && argc == 3) {
        return readFloor(argv[2]);
    }
    if (mode == "write" && argc == 9) {
        WriteRequest request;
        try {
            request = parseWriteRequest(argv + 2);
        } catch (const std::exception&) {
            return usage();
        }
        return isValid(request) ? writeFloor(request) : usage();
    }
    if (mode == "check" && argc == 4) {
        return checkFloor(argv[2], std::atol(argv[3]));
    }
    if (mode == "loop" && argc == 4) {
        const std::string loopMode = argv[2];
        if (loopMode == "serial") return loopFloor(camdrift::FrameLoopMode::Serial, argv[3]);
        if (loopMode == "pipelined") return loopFloor(camdrift::FrameLoopMode::Pipelined, argv[3]);
    }
    return usage();
}
