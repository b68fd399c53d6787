#include "preview/job_probes.h"

#include <opencv2/videoio.hpp>
#include <utility>
#include <vector>

#include "finish/temp_path.h"
#include "platform/platform.h"
#include "preview/frame_timestamps.h"
#include "script/utf8.h"
#include "video/video_open.h"

namespace camdrift {
namespace {

// The writer check's file, never the real output: the output may exist
// and belong to the user.
constexpr char kTempPrefix[] = "camdrift-preview-";

}  // namespace

std::optional<SourceInfo> probeSource(const JobScript& job) {
    cv::VideoCapture source;
    if (!openSource(source, encodeUtf8(job.inputPath))) return std::nullopt;
    return readSourceInfo(source);
}

bool writerOpensLike(const JobScript& job, double fps) {
    const std::string path =
        platform::createTempFile(kTempPrefix, outputExtension(encodeUtf8(job.outputPath)));
    if (path.empty()) return false;
    bool opened = false;
    {
        cv::VideoWriter writer;
        opened = openWriter(writer, path, job, fps);
    }
    platform::removeFile(path);
    return opened;
}

std::optional<FrameTiming> probeSourceTiming(const JobScript& job, const SourceInfo& source) {
    std::optional<FrameTimes> times = videoFrameTimes(encodeUtf8(job.inputPath));
    if (!times) return std::nullopt;
    std::optional<FrameTiming> timing = frameTimingOf(std::move(times->seconds), source.fps);
    if (timing) timing->wholeSource = times->wholeStream;
    return timing;
}

std::optional<TooLongName> tooLongNameIn(const std::string& outputPath) {
    const long mostName = platform::longestNameIn(platform::nearestExistingFolder(outputPath));
    if (mostName <= 0) return std::nullopt;
    const size_t most = static_cast<size_t>(mostName);
    const std::vector<std::string> names = platform::namesInPath(outputPath);
    for (size_t i = 0; i < names.size(); ++i) {
        const bool isFileName = i + 1 == names.size();
        if (names[i].size() > most) return TooLongName{isFileName, names[i].size(), mostName};
    }
    return std::nullopt;
}

FileFacts probeFiles(const JobScript& job, const std::optional<SourceInfo>& source,
                     const std::string& searchPath) {
    const std::string input = encodeUtf8(job.inputPath);
    const std::string output = encodeUtf8(job.outputPath);
    const std::string muxer = encodeUtf8(job.muxerPath);
    FileFacts facts;
    facts.outputIsSource = platform::sameFile(input, output);
    const std::string folder = platform::folderOf(output);
    facts.outputFolderExists = platform::isFolder(folder);
    facts.outputFolderWritable = !facts.outputFolderExists || platform::canCreateFilesIn(folder);
    facts.outputNameTooLong = tooLongNameIn(output);
    facts.muxerExists = !platform::isMissing(muxer);
    facts.muxerIsExecutable = platform::isExecutableFile(muxer);
    // The run never looks the muxer up on PATH; the user may well have meant it to.
    if (!facts.muxerIsExecutable && !muxer.empty() && muxer.find('/') == std::string::npos) {
        facts.muxerOnPath = platform::findOnSearchPath(muxer, searchPath);
    }
    // A size the run rejects before opening is told by its own warning.
    if (source && job.outputWidth > 0 && job.outputHeight > 0) {
        facts.writerOpens = writerOpensLike(job, source->fps);
    }
    return facts;
}

}  // namespace camdrift
