#include "finish/remux.h"

#include <cstdlib>
#include <optional>
#include <vector>

#include "finish/temp_path.h"
#include "platform/platform.h"
#include "script/utf8.h"

namespace camdrift {

namespace {

constexpr int kTempNumberCount = 32768;
// Random draws rarely collide; when they keep colliding the folder is nearly
// full of temp names, and walking all numbers is the only sure way to a free one.
constexpr int kRandomDraws = 64;

std::optional<std::string> freeTempPath(const std::string& outputPath,
                                        const NumberSource& drawNumber) {
    int number = 0;
    for (int draw = 0; draw < kRandomDraws; ++draw) {
        number = drawNumber();
        std::string candidate = makeTempPath(outputPath, number);
        if (!platform::fileExists(candidate)) {
            return candidate;
        }
    }
    for (int step = 1; step < kTempNumberCount; ++step) {
        std::string candidate = makeTempPath(outputPath, (number + step) % kTempNumberCount);
        if (!platform::fileExists(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

// Video of the fresh output (input 0) with the source's audio (input 1), both
// copied as they are. Each path is one argument, so blanks need no quoting.
std::vector<std::string> muxerArguments(const JobScript& job, const std::string& tempPath) {
    return {encodeUtf8(job.muxerPath), "-i", encodeUtf8(job.outputPath),
            "-i", encodeUtf8(job.inputPath), "-map", "0:v", "-map", "1:a",
            "-vcodec", "copy", "-acodec", "copy", tempPath};
}

// A muxer that fails may still leave a partial file behind, and an empty one
// is what a muxer writes when it gave up after opening its output.
bool muxerSucceeded(const platform::ProcessOutcome& run, const std::string& tempPath) {
    return run.started && run.exited && run.exitStatus == 0 &&
           platform::regularFileSize(tempPath) > 0;
}

}  // namespace

int drawTempNumber() {
    return std::rand() % kTempNumberCount;
}

RemuxOutcome remuxAudio(const JobScript& job, const NumberSource& drawNumber) {
    const std::string outputPath = encodeUtf8(job.outputPath);
    const std::optional<std::string> tempPath = freeTempPath(outputPath, drawNumber);
    if (!tempPath) {
        return RemuxOutcome::NoFreeTempName;
    }

    if (platform::interruptRequested()) {
        return RemuxOutcome::Interrupted;
    }
    const platform::ProcessOutcome run = platform::runProcess(muxerArguments(job, *tempPath));
    // An interrupted muxer may still exit 0 with a file it never finished.
    const bool interrupted = platform::interruptRequested();
    if (!interrupted && muxerSucceeded(run, *tempPath) &&
        platform::replaceFile(*tempPath, outputPath)) {
        return RemuxOutcome::Replaced;
    }
    // The name was free before the muxer ran, so whatever is there now is its leftover.
    if (platform::fileExists(*tempPath)) {
        platform::removeFile(*tempPath);
    }
    return interrupted ? RemuxOutcome::Interrupted : RemuxOutcome::MuxerFailed;
}

}  // namespace camdrift
