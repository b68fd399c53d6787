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
    const std::vector<std::string> paths = openCvVideoIoModulePaths(platform::executableFolder());
    std::string path = paths.front();
    for (const std::string& candidate : paths) {
        if (platform::fileExists(candidate)) {
            path = candidate;
            break;
        }
    }
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

std::vector<std::string> openCvVideoIoModulePaths(const std::string& executableFolder) {
    const std::string folder = executableFolder.empty() ? "." : executableFolder;
    return {folder + "/" + kOpenCvVideoIoModule,
            folder + "/../lib/camdrift/" + kOpenCvVideoIoModule};
}

const OpenCvVideoIo* loadOpenCvVideoIo(std::string* why) {
    static const Loaded loaded = loadOnce();
    if (loaded.io == nullptr && why != nullptr) {
        *why = loaded.why;
    }
    return loaded.io;
}

}  // namespace camdrift
