// Which reader and writer a run uses, as CAMDRIFT_VIDEO_IO asks.
#pragma once

namespace camdrift {

enum class VideoIo {
    // The libav reader and writer wherever they make OpenCV's bytes, OpenCV's
    // capture and writer for the rest.
    Libav,
    // OpenCV's capture and writer for the whole run.
    OpenCv,
};

// From the variable's value, nullptr when it is unset: "opencv" forces
// OpenCV; unset, empty or any other value leaves the default.
VideoIo videoIoFor(const char* setting);

}  // namespace camdrift
