#include "video/video_io_choice.h"

#include <cstring>

namespace camdrift {

VideoIo videoIoFor(const char* setting) {
    return setting != nullptr && std::strcmp(setting, "opencv") == 0 ? VideoIo::OpenCv
                                                                      : VideoIo::Libav;
}

}  // namespace camdrift
