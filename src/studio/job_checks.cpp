#include "studio/job_checks.h"

#include <cstdlib>

#include "finish/temp_path.h"
#include "platform/platform.h"
#include "preview/job_warnings.h"
#include "script/utf8.h"
#include "video/frame_io_open.h"

namespace camdrift {
namespace {

// The writer check's file, never the real output: the output may exist
// and belong to the user.
constexpr char kTempPrefix[] = "camdrift-studio-";

bool runWriterOpens(const JobScript& job, double fps, VideoIo io, OpenCvVideoIoLoader opencv) {
    const std::string path =
        platform::createTempFile(kTempPrefix, outputExtension(encodeUtf8(job.outputPath)));
    if (path.empty()) return false;
    bool opened = false;
    {
        OpenedWriter writer = openFrameWriter(path, job, fps, io, opencv);
        opened = writer.frames != nullptr;
    }
    platform::removeFile(path);
    return opened;
}

// The keyframe whose label stands on `line`, counted among the accepted ones.
int keyframeOfLine(const ReadReport& report, int line) {
    int index = 0;
    for (const KeyframeAttempt& attempt : report.attempts) {
        if (!attempt.accepted) continue;
        if (attempt.labelLine == line) return index;
        ++index;
    }
    return -1;
}

}  // namespace

std::string fieldOfLine(int line) {
    static const char* const kFields[] = {"source", "output", "muxer", "codec",
                                          "transition", "width", "height"};
    if (line < 2 || line >= kFirstKeyframeLine) return "";
    return kFields[line - 2];
}

bool WriterProbes::opens(const JobScript& job, double fps) {
    const std::string key = platform::formatText(
        "%s|%02x%02x%02x%02x|%d|%d|%.17g", outputExtension(encodeUtf8(job.outputPath)).c_str(),
        job.codecCode[0], job.codecCode[1], job.codecCode[2], job.codecCode[3],
        static_cast<int>(job.outputWidth), static_cast<int>(job.outputHeight), fps);
    std::lock_guard<std::mutex> lock(mutex_);
    const auto known = known_.find(key);
    if (known != known_.end()) return known->second;
    const bool result = runWriterOpens(job, fps, io_, opencv_);
    known_[key] = result;
    return result;
}

std::vector<StudioWarning> checkStudioJob(const StudioJob& job, const StudioSource& source,
                                          const std::string& decimalPoint,
                                          WriterProbes& writerProbes) {
    PreviewInput input = readPreviewInput(decodeUtf8(scriptText(job, decimalPoint)), decimalPoint);
    input.source = source.info;
    input.sourceTiming = source.timing;
    const char* searchPath = std::getenv("PATH");
    input.files = probeFiles(input.job, searchPath ? searchPath : "");
    // A size the run rejects before opening is told by its own warning.
    if (input.job.outputWidth > 0 && input.job.outputHeight > 0) {
        input.files.writerOpens = writerProbes.opens(input.job, source.info.fps);
    }
    std::vector<StudioWarning> warnings;
    for (const Warning& warning : checkJob(input)) {
        StudioWarning shown;
        shown.line = warning.line;
        shown.text = warning.text;
        shown.field = fieldOfLine(warning.line);
        if (warning.line >= kFirstKeyframeLine) {
            shown.keyframe = keyframeOfLine(input.report, warning.line);
        }
        warnings.push_back(std::move(shown));
    }
    return warnings;
}

}  // namespace camdrift
