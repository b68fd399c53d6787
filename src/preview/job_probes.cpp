#include "preview/job_probes.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <opencv2/videoio.hpp>
#include <random>
#include <utility>

#include "finish/temp_path.h"
#include "platform/platform.h"
#include "preview/frame_timestamps.h"
#include "script/utf8.h"
#include "video/video_open.h"

namespace camdrift {
namespace {

namespace fs = std::filesystem;

constexpr int kTempNameTries = 100;

// A new empty file in the system's temp folder, made with exclusive creation
// so no existing file is ever opened; empty when none could be made.
std::string createTempFile(const std::string& extension) {
    std::error_code error;
    const fs::path folder = fs::temp_directory_path(error);
    if (error) return "";
    std::random_device seed;
    std::mt19937 draw(seed());
    for (int i = 0; i < kTempNameTries; ++i) {
        const std::string name = platform::formatText(
            "camdrift-preview-%08x%s", static_cast<unsigned>(draw()), extension.c_str());
        const std::string path = (folder / name).string();
        if (std::FILE* file = std::fopen(path.c_str(), "wbx")) {
            std::fclose(file);
            return path;
        }
    }
    return "";
}

bool isExecutableFile(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || !fs::is_regular_file(status)) return false;
    const fs::perms executable =
        fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    return (status.permissions() & executable) != fs::perms::none;
}

std::string folderOf(const std::string& outputPath) {
    const fs::path folder = fs::path(outputPath).parent_path();
    return folder.empty() ? "." : folder.string();
}

bool folderExists(const std::string& folder) {
    std::error_code error;
    return fs::is_directory(folder, error);
}

// The folder whose file system will hold the output, or the nearest one
// above it that exists: the limits on names are that file system's.
std::string nearestExistingFolder(const std::string& outputPath) {
    fs::path folder = fs::path(outputPath).parent_path();
    std::error_code error;
    while (!folder.empty() && !fs::is_directory(folder, error)) {
        const fs::path above = folder.parent_path();
        if (above == folder) break;
        folder = above;
    }
    return folder.empty() ? "." : folder.string();
}

bool isMissing(const std::string& path) {
    std::error_code error;
    return fs::status(path, error).type() == fs::file_type::not_found;
}

}  // namespace

std::optional<SourceInfo> probeSource(const JobScript& job) {
    cv::VideoCapture source;
    if (!openSource(source, encodeUtf8(job.inputPath))) return std::nullopt;
    return readSourceInfo(source);
}

bool writerOpensLike(const JobScript& job, double fps) {
    const std::string path = createTempFile(outputExtension(encodeUtf8(job.outputPath)));
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
    const long mostName = platform::longestNameIn(nearestExistingFolder(outputPath));
    if (mostName <= 0) return std::nullopt;
    const size_t most = static_cast<size_t>(mostName);
    const fs::path path(outputPath);
    for (const fs::path& name : path.parent_path()) {
        if (name.native().size() > most) return TooLongName{false, name.native().size(), mostName};
    }
    const size_t fileName = path.filename().native().size();
    if (fileName > most) return TooLongName{true, fileName, mostName};
    return std::nullopt;
}

std::string findOnSearchPath(const std::string& name, const std::string& searchPath) {
    size_t start = 0;
    while (start <= searchPath.size()) {
        const size_t colon = std::min(searchPath.find(':', start), searchPath.size());
        const std::string folder = searchPath.substr(start, colon - start);
        if (!folder.empty()) {
            const std::string candidate = folder + (folder.back() == '/' ? "" : "/") + name;
            if (isExecutableFile(candidate)) return candidate;
        }
        start = colon + 1;
    }
    return "";
}

FileFacts probeFiles(const JobScript& job, const std::optional<SourceInfo>& source,
                     const std::string& searchPath) {
    const std::string input = encodeUtf8(job.inputPath);
    const std::string output = encodeUtf8(job.outputPath);
    const std::string muxer = encodeUtf8(job.muxerPath);
    FileFacts facts;
    facts.outputIsSource = platform::sameFile(input, output);
    const std::string folder = folderOf(output);
    facts.outputFolderExists = folderExists(folder);
    facts.outputFolderWritable = !facts.outputFolderExists || platform::canCreateFilesIn(folder);
    facts.outputNameTooLong = tooLongNameIn(output);
    facts.muxerExists = !isMissing(muxer);
    facts.muxerIsExecutable = isExecutableFile(muxer);
    // The run never looks the muxer up on PATH; the user may well have meant it to.
    if (!facts.muxerIsExecutable && !muxer.empty() && muxer.find('/') == std::string::npos) {
        facts.muxerOnPath = findOnSearchPath(muxer, searchPath);
    }
    // A size the run rejects before opening is told by its own warning.
    if (source && job.outputWidth > 0 && job.outputHeight > 0) {
        facts.writerOpens = writerOpensLike(job, source->fps);
    }
    return facts;
}

}  // namespace camdrift
