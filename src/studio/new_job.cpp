#include "studio/new_job.h"

namespace camdrift {

std::string framedOutputPath(const std::string& sourcePath) {
    const size_t slash = sourcePath.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = sourcePath.rfind('.');
    // A leading dot names a hidden file, not an extension.
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    const std::string stem = hasExtension ? sourcePath.substr(0, dot) : sourcePath;
    return stem + "-framed.mp4";
}

StudioJob newStudioJob(const std::string& sourcePath, int32_t width, int32_t height,
                       bool muxerExists) {
    StudioJob job;
    const size_t slash = sourcePath.rfind('/');
    job.title = "camdrift-studio job for " +
                (slash == std::string::npos ? sourcePath : sourcePath.substr(slash + 1));
    job.source = sourcePath;
    job.output = framedOutputPath(sourcePath);
    job.muxer = muxerExists ? kDefaultMuxer : "";
    job.codec = "avc1";
    job.transitionSeconds = 1.0;
    job.width = width;
    job.height = height;
    return job;
}

}  // namespace camdrift
