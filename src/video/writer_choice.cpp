#include "video/writer_choice.h"

#include <cmath>
#include <cctype>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/codec_desc.h>
}

namespace camdrift {

namespace {

bool tagListHas(const AVCodecTag* const* lists, AVCodecID codec, unsigned tag) {
    // The tag tables are opaque in libav's API, so the pair is checked by
    // asking each list which codec the tag maps to. That finds the first
    // entry with the tag, which is the pair itself whenever the codec was
    // found in these lists, and nothing when it came from elsewhere.
    for (int i = 0; lists != nullptr && lists[i] != nullptr; ++i) {
        const AVCodecTag* one[] = {lists[i], nullptr};
        if (av_codec_get_id(one, tag) == codec) {
            return true;
        }
    }
    return false;
}

unsigned fourccOf(char a, char b, char c, char d) {
    return static_cast<unsigned char>(a) | (static_cast<unsigned char>(b) << 8) |
           (static_cast<unsigned char>(c) << 16) | (static_cast<unsigned>(static_cast<unsigned char>(d)) << 24);
}

bool reproducedCodec(AVCodecID codec) {
    switch (codec) {
        case AV_CODEC_ID_MPEG4:
        case AV_CODEC_ID_MJPEG:
        case AV_CODEC_ID_FFV1:
            return true;
        case AV_CODEC_ID_H264: {
            const AVCodec* encoder = avcodec_find_encoder(codec);
            return encoder != nullptr && std::string(encoder->name) == "libx264";
        }
        default:
            return false;
    }
}

bool reproducedContainer(const AVOutputFormat& format) {
    const std::string name = format.name;
    return name == "avi" || name == "mp4" || name == "mov" || name == "matroska";
}

}  // namespace

AVCodecID openCvCodecFor(const AVOutputFormat& format, unsigned fourcc, bool* viaOpenCvTable) {
    *viaOpenCvTable = false;
    AVCodecID codec = av_codec_get_id(format.codec_tag, fourcc);
    if (codec != AV_CODEC_ID_NONE) {
        return codec;
    }
    const AVCodecTag* fallback[] = {avformat_get_riff_video_tags(), avformat_get_mov_video_tags(),
                                    nullptr};
    codec = av_codec_get_id(fallback, fourcc);
    if (codec != AV_CODEC_ID_NONE) {
        return codec;
    }
    // OpenCV's own copy of an old RIFF table comes next; against this libav
    // its only entry not already found above is 'viv1' (H.263+).
    if (fourcc == fourccOf('v', 'i', 'v', '1')) {
        *viaOpenCvTable = true;
        return AV_CODEC_ID_H263P;
    }
    const char name[] = {static_cast<char>(std::tolower(static_cast<unsigned char>(fourcc & 255))),
                         static_cast<char>(std::tolower(static_cast<unsigned char>((fourcc >> 8) & 255))),
                         static_cast<char>(std::tolower(static_cast<unsigned char>((fourcc >> 16) & 255))),
                         static_cast<char>(std::tolower(static_cast<unsigned char>((fourcc >> 24) & 255))),
                         0};
    const AVCodecDescriptor* desc = avcodec_descriptor_get_by_name(name);
    return desc != nullptr ? desc->id : AV_CODEC_ID_NONE;
}

AVPixelFormat openCvEncoderFormat(AVCodecID codec, unsigned tag, bool isColor,
                                  double* bitrateScale) {
    *bitrateScale = 1;
    const AVPixelFormat input = isColor ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_GRAY8;
    switch (codec) {
        case AV_CODEC_ID_JPEGLS:
            return input;
        case AV_CODEC_ID_HUFFYUV:
        case AV_CODEC_ID_PNG:
            return isColor ? AV_PIX_FMT_RGB24 : (codec == AV_CODEC_ID_PNG ? input : AV_PIX_FMT_YUV422P);
        case AV_CODEC_ID_FFV1:
            // OpenCV means BGR0 here, but tests for it with #ifdef, and
            // AV_PIX_FMT_BGR0 is an enum value, not a macro: it gets BGRA.
            return isColor ? AV_PIX_FMT_BGRA : input;
        case AV_CODEC_ID_MJPEG:
        case AV_CODEC_ID_LJPEG:
            *bitrateScale = 3;
            return AV_PIX_FMT_YUVJ420P;
        case AV_CODEC_ID_RAWVIDEO:
            if (tag == fourccOf('R', 'G', 'B', 'A')) {
                return AV_PIX_FMT_RGBA;
            }
            return isColor ? AV_PIX_FMT_YUV420P : input;
        default:
            return AV_PIX_FMT_YUV420P;
    }
}

WriterChoice chooseWriter(const std::string& path, unsigned fourcc, double fps, int width,
                          int height, bool isColor) {
    WriterChoice choice;
    if (std::isnan(fps)) {
        choice.verdict = WriterVerdict::UseOpenCv;
        choice.why = "a frame rate that is not a number";
        return choice;
    }
    if (fps <= 0) {
        choice.why = "the frame rate is not positive";
        return choice;
    }
    // OpenCV writes the even-rounded top-left part of odd-sized frames.
    choice.width = width & -2;
    choice.height = height & -2;
    if (choice.width <= 0 || choice.height <= 0) {
        choice.why = "the frame size is less than 2x2";
        return choice;
    }
    choice.format = av_guess_format(nullptr, path.c_str(), nullptr);
    if (choice.format == nullptr) {
        choice.why = "no container is known for the file name's extension";
        return choice;
    }
    if (fourcc == 0xffffffffu) {
        choice.why = "fourcc -1 only lists the container's codecs";
        return choice;
    }
    bool viaOpenCvTable = false;
    choice.codec = openCvCodecFor(*choice.format, fourcc, &viaOpenCvTable);
    if (choice.codec == AV_CODEC_ID_NONE) {
        choice.why = "no codec has this fourcc";
        return choice;
    }
    choice.tag = fourcc;
    if (!tagListHas(choice.format->codec_tag, choice.codec, fourcc)) {
        const unsigned supported = av_codec_get_tag(choice.format->codec_tag, choice.codec);
        if (supported != 0) {
            choice.tag = supported;
        }
    }
    choice.encoderFormat = openCvEncoderFormat(choice.codec, choice.tag, isColor, &choice.bitrateScale);
    if (!isColor) {
        choice.verdict = WriterVerdict::UseOpenCv;
        choice.why = "gray frames are written by OpenCV";
    } else if (!reproducedContainer(*choice.format)) {
        choice.verdict = WriterVerdict::UseOpenCv;
        choice.why = std::string("container '") + choice.format->name + "' is written by OpenCV";
    } else if (viaOpenCvTable || !reproducedCodec(choice.codec)) {
        choice.verdict = WriterVerdict::UseOpenCv;
        choice.why = std::string("codec '") + avcodec_get_name(choice.codec) +
                     "' is written by OpenCV";
    } else if (avcodec_find_encoder(choice.codec) == nullptr) {
        choice.why = "no encoder for the codec";
    } else {
        choice.verdict = WriterVerdict::Reproduced;
    }
    return choice;
}

}  // namespace camdrift
