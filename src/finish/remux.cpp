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
RemuxOutcome muxerOutcome(const platform::ProcessOutcome& run, const std::string& tempPath) {
    if (!run.started) return RemuxOutcome::MuxerNotStarted;
    if (!run.exited) return RemuxOutcome::MuxerKilled;
    if (run.exitStatus != 0) return RemuxOutcome::MuxerFailed;
    if (platform::regularFileSize(tempPath) <= 0) return RemuxOutcome::NoMuxedFile;
    return RemuxOutcome::Replaced;
}

}  // namespace

int drawTempNumber() {
    return std::rand() % kTempNumberCount;
}

unsigned tempNameSeed(int64_t calendarSeconds, int64_t processId) {
    // Multiplying by an odd constant spreads neighbouring process ids over
    // the whole range before they meet the time.
    const uint64_t mixed = static_cast<uint64_t>(calendarSeconds) ^
                           (static_cast<uint64_t>(processId) * 0x9E3779B97F4A7C15u);
    return static_cast<unsigned>(mixed ^ (mixed >> 32));
}

RemuxResult remuxAudio(const JobScript& job, const NumberSource& drawNumber) {
    RemuxResult result;
    const std::string outputPath = encodeUtf8(job.outputPath);
    const std::optional<std::string> tempPath = freeTempPath(outputPath, drawNumber);
    if (!tempPath) {
        result.outcome = RemuxOutcome::NoFreeTempName;
        return result;
    }
    if (platform::interruptRequested()) {
        result.outcome = RemuxOutcome::Interrupted;
        return result;
    }
    const platform::ProcessOutcome run =
        platform::runProcess(muxerArguments(job, *tempPath), /*captureOutput=*/true);
    result.exitStatus = run.exitStatus;
    result.signal = run.signal;
    result.output = run.output;
    result.outcome = muxerOutcome(run, *tempPath);
    // An interrupted muxer may still exit 0 with a file it never finished.
    if (platform::interruptRequested()) {
        result.outcome = RemuxOutcome::Interrupted;
    }
    if (result.outcome == RemuxOutcome::Replaced &&
        !platform::replaceFile(*tempPath, outputPath)) {
        result.outcome = RemuxOutcome::SwapFailed;
    }
    // The name was free before the muxer ran, so whatever is there now is its leftover.
    if (result.outcome != RemuxOutcome::Replaced && platform::fileExists(*tempPath)) {
        platform::removeFile(*tempPath);
    }
    return result;
}

std::string audioNotAddedMessage(const RemuxResult& result) {
    switch (result.outcome) {
        case RemuxOutcome::Replaced:
        case RemuxOutcome::Interrupted:
            return "";
        case RemuxOutcome::MuxerFailed:
            return platform::formatText("Audio not added: the muxer exited with status %i!\n",
                                        result.exitStatus);
        case RemuxOutcome::MuxerKilled:
            return platform::formatText("Audio not added: the muxer was killed by signal %i!\n",
                                        result.signal);
        case RemuxOutcome::MuxerNotStarted:
            return "Audio not added: the muxer could not be started!\n";
        case RemuxOutcome::NoMuxedFile:
            return "Audio not added: the muxer wrote no file!\n";
        case RemuxOutcome::SwapFailed:
            return "Audio not added: the muxed file could not replace the output!\n";
        case RemuxOutcome::NoFreeTempName:
            return "Audio not added: every temporary name beside the output is taken!\n";
    }
    return "";
}

std::string lastLines(const std::string& text, size_t count) {
    if (count == 0) return "";
    size_t start = text.size();
    // A final line feed ends the last line; it doesn't start another.
    size_t searchFrom = !text.empty() && text.back() == '\n' ? text.size() - 1 : text.size();
    for (size_t found = 0; found < count; ++found) {
        if (searchFrom == 0) return text;
        const size_t feed = text.rfind('\n', searchFrom - 1);
        if (feed == std::string::npos) return text;
        start = feed + 1;
        searchFrom = feed;
    }
    return text.substr(start);
}

}  // namespace camdrift
