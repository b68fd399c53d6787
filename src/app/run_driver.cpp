#include "app/run_driver.h"

#include <clocale>
#include <cstdlib>
#include <optional>
#include <opencv2/videoio.hpp>
#include <string>

#include "app/source_info.h"
#include "app/video_library_quiet.h"
#include "app/video_open.h"
#include "finish/remux.h"
#include "platform/platform.h"
#include "render/frame_loop.h"
#include "script/job_script_reader.h"
#include "script/utf8.h"

namespace camdrift {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitInterrupted = 130;  // what shells report for a Ctrl+C

// Everything after the job script was read; returns the exit status.
int renderJob(const JobScript& job, platform::Console& console) {
    platform::installInterruptHandlers();
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

    const FrameLoopResult rendered = runFrameLoop(source, writer, info, job, console,
                                                  FrameLoopMode::Pipelined,
                                                  platform::interruptRequested);
    // Releasing the writer completes the file, so an interrupted run still
    // leaves a playable video of the frames written so far.
    source.release();
    writer.release();
    quiet.end();

    if (rendered.interrupted) {
        console.print("Interrupted!\n");
        return kExitInterrupted;
    }
    if (!job.muxerPath.empty()) {
        console.flush();
        if (remuxAudio(job, drawTempNumber) == RemuxOutcome::Interrupted) {
            console.print("Interrupted!\n");
            return kExitInterrupted;
        }
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
