#include "video/frame_io_open.h"

#include "video/av_frame_source.h"
#include "video/av_frame_writer.h"
#include "video/codec_fourcc.h"
#include "video/int32_truncation.h"

namespace camdrift {

namespace {

// Decoder threads of the run's libav reader: 0 keeps OpenCV's count, the
// CPUs online. One thread gives the same frames on every intact source the
// tests make, but then the producer thread decodes as well as converting and
// scaling, and the pipeline loses its balance: on two cores the 1080p bench
// job took 2.96 s instead of 2.55 s for the same CPU time. On a damaged file
// OpenCV's own frame threads conceal the damage differently from one run to
// the next, so no thread count could promise its pixels there.
constexpr int kRunDecodeThreads = 0;

constexpr const char* kForced = "CAMDRIFT_VIDEO_IO=opencv";

}  // namespace

std::unique_ptr<AvSource> openRunAvSource(const std::string& path, std::string* why) {
    AvSourceOptions options;
    options.decodeThreads = kRunDecodeThreads;
    return AvSource::open(path, why, options);
}

SourceInfo sourceInfoOf(const AvSource& source) {
    SourceInfo info;
    info.rotation = source.rotation();
    info.width = truncateToInt32(source.width());  // already upright
    info.height = truncateToInt32(source.height());
    info.fps = source.fps();
    info.frameCount = truncateToInt32(source.frameCount());
    return info;
}

OpenedSource openFrameSource(const std::string& path, VideoIo io, OpenCvVideoIoLoader opencv) {
    std::string why = kForced;
    if (io == VideoIo::Libav && !path.empty()) {
        std::unique_ptr<AvSource> source = openRunAvSource(path, &why);
        if (source) {
            OpenedSource opened;
            opened.info = sourceInfoOf(*source);
            opened.frames = std::make_unique<AvFrameSource>(std::move(source));
            opened.how = "libav";
            return opened;
        }
    }
    std::string unavailable;
    const OpenCvVideoIo* table = opencv(&unavailable);
    if (table == nullptr) {
        OpenedSource none;
        none.how = "none (" + why + "; " + unavailable + ")";
        return none;
    }
    return table->openSource(path, why);
}

OpenedWriter openFrameWriter(const std::string& path, const JobScript& job, double fps,
                             VideoIo io, OpenCvVideoIoLoader opencv) {
    OpenedWriter opened;
    // OpenCV rejects a side of 0 or less with an exception.
    if (job.outputWidth <= 0 || job.outputHeight <= 0) {
        opened.how = "none (a side of 0 or less)";
        return opened;
    }
    std::string why = kForced;
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
    std::string unavailable;
    const OpenCvVideoIo* table = opencv(&unavailable);
    if (table == nullptr) {
        opened.how = "none (" + why + "; " + unavailable + ")";
        return opened;
    }
    return table->openWriter(path, job, fps, why);
}

}  // namespace camdrift
