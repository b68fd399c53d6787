#include "video/av_log.h"

#include <cstdlib>

extern "C" {
#include <libavutil/log.h>
}

namespace camdrift {

void applyOpenCvAvLogLevel() {
    if (std::getenv("OPENCV_FFMPEG_DEBUG") == nullptr &&
        std::getenv("OPENCV_FFMPEG_LOGLEVEL") == nullptr) {
        av_log_set_level(AV_LOG_ERROR);
    }
}

}  // namespace camdrift
