#include "app/run_driver.h"

#include <clocale>
#include <cstdlib>
#include <optional>
#include <opencv2/core/utils/logger.hpp>
#include <opencv2/videoio.hpp>
#include <string>

#include "app/source_info.h"
#include "finish/remux.h"
#include "platform/platform.h"
#include "render/frame_loop.h"
#include "render/int32_truncation.h"
#include "script/job_script_reader.h"
#include "script/utf8.h"

namespace camdrift {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;

// Keeps OpenCV's and FFmpeg's own log lines off the console while videos are
// open, unless the user asked for them with OPENCV_LOG_LEVEL.
class VideoLibraryQuiet {
public:
    VideoLibraryQuiet() {
        if (std::getenv("OPENCV_LOG_LEVEL") == nullptr) {
            cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
            silence_.emplace();
        }
    }
    void end() { silence_.reset(); }

private:
    std::optional<platform::StderrSilence> silence_;
};

bool openSource(cv::VideoCapture& source, const std::string& path) {
    try {
        return !path.empty() && source.open(path, cv::CAP_FFMPEG) && source.isOpened();
    } catch (const cv::Exception&) {
        return false;
    }
}

SourceInfo readSourceInfo(cv::VideoCapture& source) {
    SourceInfo info;
    info.width = truncateToInt32(source.get(cv::CAP_PROP_FRAME_WIDTH));
    info.height = truncateToInt32(source.get(cv::CAP_PROP_FRAME_HEIGHT));
    info.fps = source.get(cv::CAP_PROP_FPS);
    info.frameCount = truncateToInt32(source.get(cv::CAP_PROP_FRAME_COUNT));
    return info;
}

int fourccOf(const CodecCode& code) {
    return cv::VideoWriter::fourcc(static_cast<char>(code[0]), static_cast<char>(code[1]),
                                   static_cast<char>(code[2]), static_cast<char>(code[3]));
}

// The size is checked first: OpenCV rejects a side of 0 or less with an exception.
bool openWriter(cv::VideoWriter& writer, const std::string& path, const JobScript& job,
                double fps) {
    if (job.outputWidth <= 0 || job.outputHeight <= 0) {
        return false;
    }
    try {
        return writer.open(path, cv::CAP_FFMPEG, fourccOf(job.codecCode), fps,
                           cv::Size(job.outputWidth, job.outputHeight), true) &&
               writer.isOpened();
    } catch (const cv::Exception&) {
        return false;
    }
}

// Everything after the job script was read; returns the exit status.
int renderJob(const JobScript& job, platform::Console& console) {
    VideoLibraryQuiet quiet;
    cv::VideoCapture source;
    cv::VideoWriter writer;

    if (!openSource(source, encodeUtf8(job.inputPath))) {
        console.print("Capture not opened!\n");
        return kExitOk;
    }
    console.print("Opened\n");
    const SourceInfo info = readSourceInfo(source);
    console.print("%ix%i@%f\t%li\n", info.width, info.height, info.fps,
                  static_cast<long>(info.frameCount));

    const std::string outputPath = encodeUtf8(job.outputPath);
    console.print("fn2=%s\n", outputPath.c_str());
    // Opening the writer truncates its file: never when that file is the source.
    if (platform::sameFile(encodeUtf8(job.inputPath), outputPath)) {
        console.print("Output file is the source file!\n");
        return kExitFailure;
    }
    if (!openWriter(writer, outputPath, job, info.fps)) {
        console.print("Writer not opened!\n");
        return kExitFailure;
    }

    runFrameLoop(source, writer, info, job, console);
    source.release();
    writer.release();
    quiet.end();

    if (!job.muxerPath.empty()) {
        console.flush();
        remuxAudio(job, drawTempNumber);
    }
    console.print("Finished!\n");
    return kExitOk;
}

}  // namespace

int runDriver(int argc, char** argv) {
    platform::Console console(stdout);
    if (argc < 2) {
        console.print("Usage: Camdrift.exe infile\n");
        return kExitOk;
    }
    std::setlocale(LC_ALL, "");
    std::srand(static_cast<unsigned>(platform::calendarSeconds()));

    const std::optional<JobScript> job =
        readJobScript(argv[1], std::localeconv()->decimal_point);
    if (!job) {
        console.print("Open file error %s!\n", argv[1]);
        console.flush();
        platform::waitForKeyPress();
        return kExitFailure;
    }
    const int status = renderJob(*job, console);
    console.flush();
    return status;
}

}  // namespace camdrift
