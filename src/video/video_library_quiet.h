// Keeps OpenCV's and FFmpeg's own log lines off the console while videos are
// open, unless the user asked for them with OPENCV_LOG_LEVEL.
#pragma once

#include <cstdlib>
#include <opencv2/core/utils/logger.hpp>
#include <optional>

#include "platform/platform.h"

namespace camdrift {

class VideoLibraryQuiet {
public:
    VideoLibraryQuiet() {
        if (std::getenv("OPENCV_LOG_LEVEL") == nullptr) {
            cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
            silence_.emplace();
        }
    }
    void end() { silence_.reset(); }

private:
    std::optional<platform::StderrSilence> silence_;
};

}  // namespace camdrift
