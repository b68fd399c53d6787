#include "preview/opencv_probes.h"

#include <opencv2/videoio.hpp>
#include <string>

#include "finish/temp_path.h"
#include "platform/platform.h"
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

}  // namespace camdrift
