#include "video/opencv_video_io_linked.h"

#include "video/opencv_frame_source.h"
#include "video/opencv_frame_writer.h"
#include "video/video_open.h"

namespace camdrift {

namespace {

OpenedSource openOpenCvSource(const std::string& path, const std::string& why) {
    OpenedSource opened;
    opened.how = "opencv (" + why + ")";
    cv::VideoCapture capture;
    if (openSource(capture, path)) {
        opened.info = readSourceInfo(capture);
        opened.frames =
            std::make_unique<OpenCvFrameSource>(std::move(capture), opened.info.rotation);
    }
    return opened;
}

OpenedWriter openOpenCvWriter(const std::string& path, const JobScript& job, double fps,
                              const std::string& why) {
    OpenedWriter opened;
    cv::VideoWriter writer;
    if (openWriter(writer, path, job, fps)) {
        opened.frames = std::make_unique<OpenCvFrameWriter>(std::move(writer));
        opened.how = "opencv (" + why + ")";
    } else {
        opened.how = "none (OpenCV's writer doesn't open)";
    }
    return opened;
}

const OpenCvVideoIo kOpenCvVideoIo = {openOpenCvSource, openOpenCvWriter};

}  // namespace

const OpenCvVideoIo* linkedOpenCvVideoIo(std::string* /*why*/) {
    return &kOpenCvVideoIo;
}

}  // namespace camdrift
