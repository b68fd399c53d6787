#include "video/video_open.h"

#include "video/av_frame_source.h"
#include "video/av_frame_writer.h"
#include "video/int32_truncation.h"
#include "video/opencv_frame_source.h"
#include "video/opencv_frame_writer.h"
#include "video/upright_frame.h"

namespace camdrift {

namespace {

// Decoder threads of the run's libav reader: 0 keeps OpenCV's count.
constexpr int kRunDecodeThreads = 0;

SourceInfo infoOf(const AvSource& source) {
    SourceInfo info;
    info.rotation = source.rotation();
    info.width = truncateToInt32(source.width());  // already upright
    info.height = truncateToInt32(source.height());
    info.fps = source.fps();
    info.frameCount = truncateToInt32(source.frameCount());
    return info;
}

}  // namespace

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

int fourccOf(const CodecCode& code) {
    return cv::VideoWriter::fourcc(static_cast<char>(code[0]), static_cast<char>(code[1]),
                                   static_cast<char>(code[2]), static_cast<char>(code[3]));
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

OpenedSource openFrameSource(const std::string& path, VideoIo io) {
    OpenedSource opened;
    std::string why = "CAMDRIFT_VIDEO_IO=opencv";
    if (io == VideoIo::Libav && !path.empty()) {
        AvSourceOptions options;
        options.decodeThreads = kRunDecodeThreads;
        std::unique_ptr<AvSource> source = AvSource::open(path, &why, options);
        if (source) {
            opened.info = infoOf(*source);
            opened.frames = std::make_unique<AvFrameSource>(std::move(source));
            opened.how = "libav";
            return opened;
        }
    }
    cv::VideoCapture capture;
    if (openSource(capture, path)) {
        opened.info = readSourceInfo(capture);
        opened.frames = std::make_unique<OpenCvFrameSource>(std::move(capture), opened.info.rotation);
    }
    opened.how = "opencv (" + why + ")";
    return opened;
}

OpenedWriter openFrameWriter(const std::string& path, const JobScript& job, double fps,
                             VideoIo io) {
    OpenedWriter opened;
    if (job.outputWidth <= 0 || job.outputHeight <= 0) {
        opened.how = "none (a side of 0 or less)";
        return opened;
    }
    std::string why = "CAMDRIFT_VIDEO_IO=opencv";
    if (io == VideoIo::Libav) {
        AvWriterOpen av = AvWriter::open(path, fourccOf(job.codecCode), fps,
                                         cv::Size(job.outputWidth, job.outputHeight), true);
        if (av.verdict == WriterVerdict::Reproduced) {
            opened.frames = std::make_unique<AvFrameWriter>(std::move(av.writer));
            opened.how = "libav";
            return opened;
        }
        if (av.verdict == WriterVerdict::OpenCvFailsToo) {
            opened.how = "none (" + av.why + ")";
            return opened;
        }
        why = av.why;
    }
    cv::VideoWriter writer;
    if (openWriter(writer, path, job, fps)) {
        opened.frames = std::make_unique<OpenCvFrameWriter>(std::move(writer));
        opened.how = "opencv (" + why + ")";
    } else {
        opened.how = "none (OpenCV's writer doesn't open)";
    }
    return opened;
}

}  // namespace camdrift
