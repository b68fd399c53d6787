// Owning handles for the libav objects the reader and writer hold, so every
// exit path frees them in the right order.
#pragma once

#include <cstdlib>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace camdrift::av {

struct InputCloser {
    void operator()(AVFormatContext* ic) const { avformat_close_input(&ic); }
};
// An opened demuxer (avformat_open_input); avformat_close_input also frees it.
using InputPtr = std::unique_ptr<AVFormatContext, InputCloser>;

struct OutputFreer {
    void operator()(AVFormatContext* oc) const {
        if (oc->pb != nullptr && (oc->oformat->flags & AVFMT_NOFILE) == 0) {
            avio_closep(&oc->pb);
        }
        avformat_free_context(oc);
    }
};
// A muxer context; closes its file, if one was opened, before freeing.
using OutputPtr = std::unique_ptr<AVFormatContext, OutputFreer>;

struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;

struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;

struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;

struct SwsFreer {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
using SwsPtr = std::unique_ptr<SwsContext, SwsFreer>;

struct DictFreer {
    void operator()(AVDictionary* d) const { av_dict_free(&d); }
};
using DictPtr = std::unique_ptr<AVDictionary, DictFreer>;

// Memory from av_malloc / av_mallocz.
struct AvFreer {
    void operator()(void* p) const { av_free(p); }
};
template <typename T>
using AvBuffer = std::unique_ptr<T, AvFreer>;

// Memory from malloc.
struct CFreer {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using CBuffer = std::unique_ptr<T, CFreer>;

}  // namespace camdrift::av
