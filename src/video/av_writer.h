// A video file written directly with libav, set up and fed exactly as
// OpenCV 4.6's FFmpeg writer does, so the file is the same bytes as
// cv::VideoWriter's; unlike OpenCV's it reports encoding and writing errors.
#pragma once

#include <cstdint>
#include <memory>
#include <opencv2/core.hpp>
#include <string>

#include "video/av_handles.h"
#include "video/writer_choice.h"

namespace camdrift {

class AvWriter;

struct AvWriterOpen {
    // Reproduced with `writer` set: use it. UseOpenCv: open cv::VideoWriter
    // instead (nothing was created). OpenCvFailsToo: OpenCV's writer fails
    // to open these arguments the same way (any file made was removed, as
    // OpenCV removes it).
    WriterVerdict verdict = WriterVerdict::OpenCvFailsToo;
    std::unique_ptr<AvWriter> writer;
    std::string why;
};

class AvWriter {
public:
    // `size` is the frame size written; odd sides are rounded down to even
    // and the top-left part of each frame is encoded, as OpenCV does.
    static AvWriterOpen open(const std::string& path, int fourcc, double fps, cv::Size size,
                             bool isColor);

    // Closes the file as close() does when it wasn't called.
    ~AvWriter();
    AvWriter(const AvWriter&) = delete;
    AvWriter& operator=(const AvWriter&) = delete;

    // Encodes one 8-bit BGR frame and writes the packets the encoder gives.
    // False when the frame is of another size or type (OpenCV skips such a
    // frame silently; so does this, without counting it), or when encoding or
    // writing fails (then the file is unusable; OpenCV would go on silently).
    bool write(const cv::Mat& bgr);

    // write() in two halves, for a caller that converts frames on one thread
    // while it encodes earlier ones on another (each half always on the
    // same thread). convert() checks the frame as write() does and converts
    // it to the encoder's pixel format into `out` (allocated, or made anew
    // while the encoder still holds it). encode() encodes what convert()
    // made and writes the packets; false when that fails (the writer has
    // then failed).
    enum class Conversion { Converted, Refused, Failed };
    Conversion convert(const cv::Mat& bgr, av::FramePtr& out);
    bool encode(AVFrame& converted);

    // Drains the encoder, writes the trailer and closes the file. False when
    // any of that failed or an earlier write had. Further calls return the
    // same answer.
    bool close();

    // Packets handed to the muxer without error, including those of close().
    int64_t packetsWritten() const { return packets_; }
    // Frames accepted by write().
    int64_t framesWritten() const { return frameIndex_; }

private:
    AvWriter() = default;
    int sendAndWrite(const AVFrame* frame);
    bool finish();

    av::OutputPtr oc_;
    av::CodecPtr codec_;
    AVStream* stream_ = nullptr;
    av::FramePtr picture_;  // write()'s frame for the encoder (refcounted)
    AVPixelFormat pictureFormat_ = AV_PIX_FMT_NONE;
    int pictureWidth_ = 0;
    int pictureHeight_ = 0;
    av::FramePtr input_;  // the BGR input, over the caller's pixels
    av::SwsPtr sws_;
    av::AvBuffer<uint8_t> aligned_;
    size_t alignedSize_ = 0;
    int width_ = 0;
    int height_ = 0;
    int64_t frameIndex_ = 0;
    int64_t packets_ = 0;
    bool headerWritten_ = false;  // only then are the drain and trailer due
    bool failed_ = false;
    bool closed_ = false;
    bool closedOk_ = false;
};

}  // namespace camdrift
