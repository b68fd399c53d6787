#include "app/run_driver.h"

#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/version_text.h"
#include "finish/remux.h"
#include "platform/platform.h"
#include "render/frame_loop.h"
#include "script/job_script_reader.h"
#include "script/utf8.h"
#include "video/frame_io_open.h"
#include "video/packet_count.h"
#include "video/source_info.h"
#include "video/video_io_choice.h"
#include "video/video_library_quiet.h"

namespace camdrift {

namespace {

// What a script calling camdrift can rely on.
constexpr int kExitComplete = 0;
constexpr int kExitNothingUsable = 1;
constexpr int kExitWithoutSound = 2;
constexpr int kExitInterrupted = 130;  // what shells report for a Ctrl+C

// Muxer output shown when it fails: enough to see its error, not a screenful.
constexpr size_t kMuxerLinesShown = 20;

// OpenCV's writer reports no errors, so the file itself is asked whether
// every frame reached it; a disk that filled or a size limit leaves fewer
// packets, and an MP4 cut before its index opens not at all. Asked of the
// libav writer's files too: the count must not depend on the path taken.
bool outputHoldsEveryFrame(const std::string& outputPath, int32_t framesWritten) {
    if (framesWritten <= 0) {
        return true;
    }
    const std::optional<int64_t> packets = countVideoPackets(outputPath);
    return packets && *packets >= framesWritten;
}

LoopStop stopCheck(const platform::FileLock& output) {
    if (platform::interruptRequested()) {
        return LoopStop::Interrupted;
    }
    return output.fileSystemFull() ? LoopStop::OutOfSpace : LoopStop::None;
}

// After a complete video: the muxer's run and what it means for the status.
int addSound(const JobScript& job, platform::Console& console) {
    console.flush();
    const RemuxResult remuxed = remuxAudio(job, drawTempNumber);
    if (remuxed.outcome == RemuxOutcome::Interrupted) {
        console.print("Interrupted!\n");
        return kExitInterrupted;
    }
    if (remuxed.outcome == RemuxOutcome::Replaced) {
        console.print("Finished!\n");
        return kExitComplete;
    }
    console.write(lastLines(remuxed.output, kMuxerLinesShown));
    if (!remuxed.output.empty() && remuxed.output.back() != '\n') {
        console.write("\n");
    }
    console.write(audioNotAddedMessage(remuxed));
    console.print("Finished!\n");
    return kExitWithoutSound;
}

// With CAMDRIFT_VIDEO_IO_LOG naming a file, the run writes there which
// reader and writer it uses and why OpenCV's, for a user (or a test) to see
// what the default path covers; the console stays the same either way.
void logVideoIo(const std::string& reader, const std::string& writer) {
    const char* path = std::getenv("CAMDRIFT_VIDEO_IO_LOG");
    if (path != nullptr && *path != '\0') {
        platform::writeWholeFile(path, "reader: " + reader + "\nwriter: " + writer + "\n");
    }
}

// Everything after the job script was read; returns the exit status.
int renderJob(const JobScript& job, platform::Console& console, OpenCvVideoIoLoader opencv) {
    platform::installInterruptHandlers();
    VideoLibraryQuiet quiet;
    // Chosen once, before the first frame; the run never switches.
    const VideoIo io = videoIoFor(std::getenv("CAMDRIFT_VIDEO_IO"));

    OpenedSource source = openFrameSource(encodeUtf8(job.inputPath), io, opencv);
    if (!source.frames) {
        logVideoIo(source.how, "none (no source)");
        console.print("Capture not opened!\n");
        return kExitNothingUsable;
    }
    console.print("Opened\n");
    const SourceInfo& info = source.info;
    console.print("%ix%i@%f\t%li\n", info.width, info.height, info.fps,
                  static_cast<long>(info.frameCount));

    const std::string outputPath = encodeUtf8(job.outputPath);
    console.print("fn2=%s\n", outputPath.c_str());
    // Opening the writer truncates its file: never when that file is the source.
    if (platform::sameFile(encodeUtf8(job.inputPath), outputPath)) {
        console.print("Output file is the source file!\n");
        return kExitNothingUsable;
    }
    // Two runs writing one file would interleave into a broken video; the
    // lock is held until this run ends.
    const platform::FileLock outputLock(outputPath);
    if (outputLock.state() == platform::FileLock::State::HeldElsewhere) {
        console.print("Output file is in use!\n");
        return kExitNothingUsable;
    }
    OpenedWriter writer = openFrameWriter(outputPath, job, info.fps, io, opencv);
    logVideoIo(source.how, writer.how);
    if (!writer.frames) {
        if (outputLock.createdFile()) {
            platform::removeFile(outputPath);  // the lock's empty file, nothing of the user's
        }
        console.print("Writer not opened!\n");
        return kExitNothingUsable;
    }

    const FrameLoopResult rendered =
        runFrameLoop(*source.frames, *writer.frames, info, job, console, FrameLoopMode::Pipelined,
                     [&outputLock] { return stopCheck(outputLock); });
    // Closing the writer completes the file, so an interrupted run still
    // leaves a playable video of the frames written so far.
    source.frames.reset();
    const bool closed = writer.frames->close();
    writer.frames.reset();
    if (rendered.stoppedBy == LoopStop::Interrupted) {
        console.print("Interrupted!\n");
        return kExitInterrupted;
    }
    // A full disk or a writer that reported a failed write stop the run at
    // once; the packet count catches what a writer that reports nothing lost.
    const bool complete = rendered.stoppedBy == LoopStop::None && closed &&
                          outputHoldsEveryFrame(outputPath, rendered.framesWritten);
    quiet.end();
    if (!complete) {
        console.print("Output file is incomplete!\n");
        return kExitNothingUsable;
    }
    if (job.muxerPath.empty()) {
        console.print("Finished!\n");
        return kExitComplete;
    }
    return addSound(job, console);
}

int runJobScript(const char* scriptPath, platform::Console& console, OpenCvVideoIoLoader opencv) {
    std::setlocale(LC_ALL, "");
    std::srand(tempNameSeed(platform::calendarSeconds(), platform::processId()));

    const std::optional<JobScript> job =
        readJobScript(scriptPath, std::localeconv()->decimal_point);
    if (!job) {
        console.print("Open file error %s!\n", scriptPath);
        return kExitNothingUsable;
    }
    return renderJob(*job, console, opencv);
}

}  // namespace

int runDriver(int argc, char** argv, OpenCvVideoIoLoader opencv) {
    platform::Console console(stdout);
    int status = kExitComplete;
    switch (requestOf(argc, argv, platform::fileExists)) {
        case Request::Usage:
            console.print("Usage: Camdrift.exe infile\n");
            break;
        case Request::Help:
            console.write(helpText());
            break;
        case Request::Version:
            console.write(versionText("camdrift"));
            break;
        case Request::Run:
            status = runJobScript(argv[1], console, opencv);
            break;
    }
    console.flush();
    return status;
}

}  // namespace camdrift
