#include "video/opencv_video_io_loader.h"

#include "platform/platform.h"

namespace camdrift {

namespace {

struct Loaded {
    const OpenCvVideoIo* io = nullptr;
    std::string why;
};

Loaded loadOnce() {
    Loaded loaded;
    const std::string folder = platform::executableFolder();
    const std::string path = (folder.empty() ? "." : folder) + "/" + kOpenCvVideoIoModule;
    using Entry = const OpenCvVideoIo* (*)();
    void* entry = platform::moduleSymbol(path, "camdrift_opencv_video_io", &loaded.why);
    if (entry != nullptr) {
        loaded.io = reinterpret_cast<Entry>(entry)();
    }
    if (loaded.io == nullptr) {
        loaded.why = "OpenCV's video module: " + loaded.why;
    }
    return loaded;
}

}  // namespace

const OpenCvVideoIo* loadOpenCvVideoIo(std::string* why) {
    static const Loaded loaded = loadOnce();
    if (loaded.io == nullptr && why != nullptr) {
        *why = loaded.why;
    }
    return loaded.io;
}

}  // namespace camdrift
