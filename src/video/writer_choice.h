// How OpenCV 4.6's FFmpeg writer picks the container, codec, stored
// four-character tag and pixel format from a file name and a fourcc, and
// whether the libav writer reproduces the result byte for byte.
#pragma once

#include <string>

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavformat/avformat.h>
#include <libavutil/pixfmt.h>
}

namespace camdrift {

enum class WriterVerdict {
    Reproduced,      // the libav writer makes the same file
    UseOpenCv,       // OpenCV might open; only its own writer makes its file
    OpenCvFailsToo,  // OpenCV's writer fails to open with these arguments
};

struct WriterChoice {
    WriterVerdict verdict = WriterVerdict::OpenCvFailsToo;
    std::string why;  // for UseOpenCv and OpenCvFailsToo
    const AVOutputFormat* format = nullptr;
    AVCodecID codec = AV_CODEC_ID_NONE;
    unsigned tag = 0;  // the fourcc stored in the stream, after OpenCV's fallback
    AVPixelFormat encoderFormat = AV_PIX_FMT_NONE;
    double bitrateScale = 1;
    int width = 0;   // rounded down to even, as OpenCV writes
    int height = 0;
};

// The codec OpenCV finds for `fourcc` in `format`: the container's own tags,
// then the RIFF and QuickTime tag lists, then the lower-cased fourcc as a
// codec name. AV_CODEC_ID_NONE when none has it; `viaOpenCvTable` is set
// for the one tag only OpenCV's private fallback table knows here.
AVCodecID openCvCodecFor(const AVOutputFormat& format, unsigned fourcc, bool* viaOpenCvTable);

// OpenCV's pixel format for the encoder of `codec`, fed BGR (isColor) or gray.
AVPixelFormat openCvEncoderFormat(AVCodecID codec, unsigned tag, bool isColor,
                                  double* bitrateScale);

// Everything OpenCV decides before it touches the file, and the verdict.
// Reproduced only for colour frames, the containers avi, mp4, mov and
// matroska, and the codecs MPEG-4 part 2, MJPEG, FFV1 and H.264 through
// libx264 (their files are compared with OpenCV's in the tests).
WriterChoice chooseWriter(const std::string& path, unsigned fourcc, double fps, int width,
                          int height, bool isColor);

}  // namespace camdrift
