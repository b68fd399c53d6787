#include "video/video_open.h"

#include "video/int32_truncation.h"
#include "video/upright_frame.h"

namespace camdrift {

bool openSource(cv::VideoCapture& source, const std::string& path) {
    try {
        if (path.empty() || !source.open(path, cv::CAP_FFMPEG) || !source.isOpened()) {
            return false;
        }
        // OpenCV would turn rotated videos the wrong way; frames are turned
        // upright by the tool itself (turnUpright).
        source.set(cv::CAP_PROP_ORIENTATION_AUTO, 0);
        return true;
    } catch (const cv::Exception&) {
        return false;
    }
}

SourceInfo readSourceInfo(cv::VideoCapture& source) {
    SourceInfo info;
    info.rotation = truncateToInt32(source.get(cv::CAP_PROP_ORIENTATION_META));
    // The stored size; the frames the tool works on are the upright ones.
    const double storedWidth = source.get(cv::CAP_PROP_FRAME_WIDTH);
    const double storedHeight = source.get(cv::CAP_PROP_FRAME_HEIGHT);
    const bool onItsSide = swapsSides(info.rotation);
    info.width = truncateToInt32(onItsSide ? storedHeight : storedWidth);
    info.height = truncateToInt32(onItsSide ? storedWidth : storedHeight);
    info.fps = source.get(cv::CAP_PROP_FPS);
    info.frameCount = truncateToInt32(source.get(cv::CAP_PROP_FRAME_COUNT));
    return info;
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

}  // namespace camdrift
