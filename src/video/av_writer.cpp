#include "video/av_writer.h"

#include <cstdio>
#include <cstring>

#include "video/av_log.h"
#include "video/writer_settings.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

namespace camdrift {

namespace {

AvWriterOpen verdict(WriterVerdict v, const std::string& why) {
    AvWriterOpen r;
    r.verdict = v;
    r.why = why;
    return r;
}

// The encoder context exactly as OpenCV's icv_configure_video_stream_FFMPEG
// and the code after it set it up; false where OpenCV's setup fails.
bool configure(AVCodecContext* c, AVStream* st, const AVCodec* encoder,
               const AVOutputFormat& format, const WriterChoice& choice, AVRational rate,
               double fps) {
    c->codec_id = encoder->id;
    c->codec_type = AVMEDIA_TYPE_VIDEO;
    c->codec_tag = choice.tag;
    const double basis = openCvBitrateBasis(choice.bitrateScale, fps, choice.width, choice.height);
    c->qmin = 3;
    c->width = choice.width;
    c->height = choice.height;
    c->time_base = AVRational{rate.den, rate.num};
    if (encoder->supported_framerates != nullptr) {
        const auto best = closestSupportedRate(rate, encoder->supported_framerates);
        if (!best) {
            return false;
        }
        c->time_base = AVRational{best->den, best->num};
    }
    c->gop_size = 12;
    c->pix_fmt = choice.encoderFormat;
    if (c->codec_id == AV_CODEC_ID_MPEG2VIDEO) {
        c->max_b_frames = 2;
    }
    if (c->codec_id == AV_CODEC_ID_MPEG1VIDEO || c->codec_id == AV_CODEC_ID_MSMPEG4V3) {
        c->mb_decision = 2;
    }
    const bool h264 = c->codec_id == AV_CODEC_ID_H264;
    if (h264) {
        c->gop_size = -1;
        c->qmin = -1;
        if (c->priv_data != nullptr) {
            av_opt_set(c->priv_data, "crf", "23", 0);
        }
    }
    if ((format.flags & AVFMT_GLOBALHEADER) != 0) {
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    st->avg_frame_rate = rate;
    st->time_base = c->time_base;
    const EncoderRates rates = openCvEncoderRates(basis, h264);
    c->bit_rate_tolerance = rates.tolerance;
    c->bit_rate = rates.bitRate;
    return true;
}

// The encoder's frame, refcounted. OpenCV hands libav a frame of its own
// memory, which avcodec_send_frame copies into one from
// av_frame_get_buffer(frame, 0) before the encoder sees it; a frame made that
// way to begin with is what the encoder sees either way, without the copy
// (1.4 MB a frame at 720p). A new one is made whenever the encoder still
// holds the last.
bool allocatePicture(AVFrame& f, AVPixelFormat format, int width, int height) {
    av_frame_unref(&f);  // the encoder keeps what it still holds
    f.format = format;
    f.width = width;
    f.height = height;
    return av_frame_get_buffer(&f, 0) >= 0;
}

}  // namespace

AvWriterOpen AvWriter::open(const std::string& path, int fourcc, double fps, cv::Size size,
                            bool isColor) {
    const WriterChoice choice =
        chooseWriter(path, static_cast<unsigned>(fourcc), fps, size.width, size.height, isColor);
    if (choice.verdict != WriterVerdict::Reproduced) {
        return verdict(choice.verdict, choice.why);
    }
    const auto rate = openCvFrameRate(fps);
    if (!rate) {
        return verdict(WriterVerdict::UseOpenCv, "a frame rate OpenCV's time base loop overflows on");
    }
    applyOpenCvAvLogLevel();
    std::unique_ptr<AvWriter> w(new AvWriter());

    w->oc_.reset(avformat_alloc_context());
    AVFormatContext* oc = w->oc_.get();
    if (oc == nullptr) {
        return verdict(WriterVerdict::UseOpenCv, "out of memory");
    }
    oc->oformat = choice.format;
    oc->url = av_strdup(path.c_str());
    oc->max_delay = static_cast<int>(0.7 * AV_TIME_BASE);
    w->stream_ = avformat_new_stream(oc, nullptr);
    const AVCodec* encoder = avcodec_find_encoder(choice.codec);
    if (w->stream_ == nullptr || oc->url == nullptr || encoder == nullptr) {
        return verdict(WriterVerdict::UseOpenCv, "out of memory");
    }
    w->codec_.reset(avcodec_alloc_context3(encoder));
    AVCodecContext* c = w->codec_.get();
    if (c == nullptr) {
        return verdict(WriterVerdict::UseOpenCv, "out of memory");
    }
    if (!configure(c, w->stream_, encoder, *choice.format, choice, *rate, fps)) {
        return verdict(WriterVerdict::OpenCvFailsToo, "the codec supports no frame rate");
    }
    if (avcodec_open2(c, encoder, nullptr) < 0) {
        return verdict(WriterVerdict::OpenCvFailsToo, "the encoder doesn't open");
    }
    if (avcodec_parameters_from_context(w->stream_->codecpar, c) < 0) {
        return verdict(WriterVerdict::UseOpenCv, "out of memory");
    }

    w->picture_.reset(av_frame_alloc());
    if (!w->picture_) {
        return verdict(WriterVerdict::UseOpenCv, "out of memory");
    }
    // Every reproduced codec takes another pixel format than BGR24.
    w->input_.reset(av_frame_alloc());
    w->pictureFormat_ = c->pix_fmt;
    w->pictureWidth_ = c->width;
    w->pictureHeight_ = c->height;
    if (!w->input_ || !allocatePicture(*w->picture_, c->pix_fmt, c->width, c->height)) {
        return verdict(WriterVerdict::UseOpenCv, "out of memory");
    }
    w->input_->format = AV_PIX_FMT_BGR24;
    w->input_->width = c->width;
    w->input_->height = c->height;

    if ((choice.format->flags & AVFMT_NOFILE) == 0 &&
        avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
        return verdict(WriterVerdict::OpenCvFailsToo, "the file can't be created");
    }
    if (avformat_write_header(oc, nullptr) < 0) {
        w->oc_.reset();
        std::remove(path.c_str());  // as OpenCV does
        return verdict(WriterVerdict::OpenCvFailsToo, "the container refuses the stream");
    }
    w->headerWritten_ = true;
    w->width_ = choice.width;
    w->height_ = choice.height;
    AvWriterOpen opened;
    opened.verdict = WriterVerdict::Reproduced;
    opened.writer = std::move(w);
    return opened;
}

AvWriter::~AvWriter() {
    if (headerWritten_ && !closed_) {
        close();
    }
}

// OpenCV's icv_av_write_frame_FFMPEG: one frame in (or the drain request),
// every packet that comes out written at once, non-interleaved. Returns the
// last libav result: AVERROR(EAGAIN) or AVERROR_EOF when all went well.
int AvWriter::sendAndWrite(const AVFrame* frame) {
    AVCodecContext* c = codec_.get();
    int ret = 0;
    if (frame != nullptr || frameIndex_ != 0) {
        ret = avcodec_send_frame(c, frame);
    }
    while (ret >= 0) {
        const av::PacketPtr pkt(av_packet_alloc());
        if (!pkt) {
            return AVERROR(ENOMEM);
        }
        ret = avcodec_receive_packet(c, pkt.get());
        if (ret != 0) {
            break;
        }
        // After the receive, which resets the packet (stream 0 by luck).
        pkt->stream_index = stream_->index;
        av_packet_rescale_ts(pkt.get(), c->time_base, stream_->time_base);
        ret = av_write_frame(oc_.get(), pkt.get());
        if (ret >= 0) {
            ++packets_;
        }
    }
    return ret;
}

AvWriter::Conversion AvWriter::convert(const cv::Mat& bgr, av::FramePtr& out) {
    if (!headerWritten_ || closed_ || bgr.depth() != CV_8U || bgr.channels() != 3 || bgr.dims != 2 ||
        bgr.data == nullptr || (bgr.cols & -2) != width_ || (bgr.rows & -2) != height_) {
        return Conversion::Refused;
    }
    const uint8_t* data = bgr.data;
    int step = static_cast<int>(bgr.step[0]);
    // swscale's SIMD may read up to 32 bytes past the last pixel; OpenCV
    // copies into padded memory unless the rows are 32-byte multiples and
    // the bytes around the end share a page, and so does this, except for
    // a frame whose own buffer goes on for 32 bytes after its end (the
    // frame loop's): the converter reads the same pixels either way.
    constexpr int kStepAlign = 32;
    constexpr size_t kSimdSize = 32;
    constexpr size_t kPageMask = ~static_cast<size_t>(4096 - 1);
    const size_t bytes = static_cast<size_t>(height_) * static_cast<size_t>(step);
    const auto end = reinterpret_cast<uintptr_t>(data) + bytes;
    const bool paddedEnd =
        bgr.datalimit != nullptr && static_cast<size_t>(bgr.datalimit - data) >= bytes + kSimdSize;
    if (step % kStepAlign != 0 ||
        (((end - kSimdSize) & kPageMask) != ((end + kSimdSize) & kPageMask) && !paddedEnd)) {
        const int alignedStep = (step + kStepAlign - 1) & ~(kStepAlign - 1);
        const size_t needed = static_cast<size_t>(alignedStep) * static_cast<size_t>(height_) + kSimdSize;
        if (!aligned_ || alignedSize_ < needed) {
            aligned_.reset(static_cast<uint8_t*>(av_mallocz(needed)));
            alignedSize_ = aligned_ ? needed : 0;
            if (!aligned_) {
                return Conversion::Failed;
            }
        }
        for (int y = 0; y < height_; ++y) {
            std::memcpy(aligned_.get() + static_cast<size_t>(y) * static_cast<size_t>(alignedStep),
                        bgr.ptr(y), static_cast<size_t>(bgr.cols) * 3);
        }
        data = aligned_.get();
        step = alignedStep;
    }
    av_image_fill_arrays(input_->data, input_->linesize, data, AV_PIX_FMT_BGR24, width_, height_, 1);
    input_->linesize[0] = step;
    if (!sws_) {
        sws_.reset(sws_getContext(width_, height_, AV_PIX_FMT_BGR24, pictureWidth_, pictureHeight_,
                                  pictureFormat_, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!sws_) {
            return Conversion::Failed;
        }
    }
    if (!out) {
        out.reset(av_frame_alloc());
    }
    if (!out || (av_frame_is_writable(out.get()) == 0 &&
                 !allocatePicture(*out, pictureFormat_, pictureWidth_, pictureHeight_))) {
        return Conversion::Failed;
    }
    if (sws_scale(sws_.get(), input_->data, input_->linesize, 0, height_, out->data,
                  out->linesize) < 0) {
        return Conversion::Failed;
    }
    return Conversion::Converted;
}

bool AvWriter::encode(AVFrame& converted) {
    if (!headerWritten_ || closed_) {
        return false;
    }
    converted.pts = frameIndex_;
    const int ret = sendAndWrite(&converted);
    ++frameIndex_;
    if (ret != AVERROR(EAGAIN)) {
        failed_ = true;
        return false;
    }
    return true;
}

bool AvWriter::write(const cv::Mat& bgr) {
    switch (convert(bgr, picture_)) {
        case Conversion::Refused:
            return false;
        case Conversion::Failed:
            failed_ = true;
            return false;
        case Conversion::Converted:
            break;
    }
    return encode(*picture_);
}

bool AvWriter::close() {
    if (closed_ || !headerWritten_) {
        return closedOk_;
    }
    closed_ = true;
    bool ok = !failed_;
    const int drained = sendAndWrite(nullptr);
    ok = ok && (drained == AVERROR_EOF || (frameIndex_ == 0 && drained == AVERROR(EAGAIN)));
    ok = av_write_trailer(oc_.get()) >= 0 && ok;
    AVFormatContext* oc = oc_.get();
    if (oc->pb != nullptr && (oc->oformat->flags & AVFMT_NOFILE) == 0) {
        ok = avio_closep(&oc->pb) >= 0 && ok;
    }
    codec_.reset();
    oc_.reset();
    closedOk_ = ok;
    return ok;
}

}  // namespace camdrift
