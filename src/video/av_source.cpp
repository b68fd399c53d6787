#include "video/av_source.h"

#include <cstdlib>

#include "video/av_log.h"
#include "video/capture_numbers.h"
#include "video/cpu_count.h"
#include "video/upright_frame.h"
#include "video/upright_rect.h"

extern "C" {
#include <libavutil/display.h>
}

namespace camdrift {

namespace {

// Before a frame is converted: an unturned upright frame is a view of the
// converted buffer and lets go of it, so the conversion can reuse that
// buffer; a turned one is a buffer of its own, drawn over in place (no
// whole-frame allocation a frame) unless a caller still holds it.
void dropUnlessReusable(cv::Mat& upright, int rotation) {
    const bool heldElsewhere = upright.u != nullptr && upright.u->refcount > 1;
    if (!turnsFrames(rotation) || heldElsewhere) {
        upright.release();
    }
}

void say(std::string* why, const std::string& text) {
    if (why != nullptr) {
        *why = text;
    }
}

StreamTiming timingOf(const AVFormatContext& ic, const AVStream& st) {
    StreamTiming t;
    t.avgFrameRate = st.avg_frame_rate;
    t.timeBase = st.time_base;
    t.nbFrames = st.nb_frames;
    t.streamDuration = st.duration;
    t.containerDuration = ic.duration;
    return t;
}

// OpenCV gives up a grab after this many packets of other streams or
// decoder errors.
constexpr int kMaxAttempts = 1 << 9;

}  // namespace

AvSource::~AvSource() = default;

std::unique_ptr<AvSource> AvSource::open(const std::string& path, std::string* why,
                                         const AvSourceOptions& options) {
    if (std::getenv("OPENCV_FFMPEG_CAPTURE_OPTIONS") != nullptr) {
        say(why, "OPENCV_FFMPEG_CAPTURE_OPTIONS is set; OpenCV's capture opens with those options");
        return nullptr;
    }
    applyOpenCvAvLogLevel();
    std::unique_ptr<AvSource> src(new AvSource());

    AVFormatContext* ic = avformat_alloc_context();
    if (ic == nullptr) {
        say(why, "out of memory");
        return nullptr;
    }
    src->deadline_.arm(ReadDeadline::kOpenLimit);
    ic->interrupt_callback = src->deadline_.callback();
    // OpenCV's only demuxer option, for RTSP; a file demuxer leaves it unused.
    AVDictionary* rawDict = nullptr;
    av_dict_set(&rawDict, "rtsp_flags", "prefer_tcp", 0);
    const int openErr = avformat_open_input(&ic, path.c_str(), nullptr, &rawDict);
    const av::DictPtr unusedOptions(rawDict);
    if (openErr < 0) {  // avformat_open_input has freed ic
        say(why, "libav can't open the file");
        return nullptr;
    }
    src->ic_.reset(ic);
    src->path_ = path;
    if (avformat_find_stream_info(ic, nullptr) < 0) {
        say(why, "libav can't read the stream parameters");
        return nullptr;
    }

    // OpenCV takes the first video stream, and fails if its decoder doesn't open.
    for (unsigned i = 0; i < ic->nb_streams; ++i) {
        const AVCodecParameters* par = ic->streams[i]->codecpar;
        if (par->codec_type != AVMEDIA_TYPE_VIDEO) {
            continue;
        }
        const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
        if (decoder == nullptr) {
            say(why, "no decoder for the video stream");
            return nullptr;
        }
        src->codec_.reset(avcodec_alloc_context3(decoder));
        if (!src->codec_) {
            say(why, "out of memory");
            return nullptr;
        }
        AVCodecContext* c = src->codec_.get();
        c->thread_count =
            options.decodeThreads > 0 ? options.decodeThreads : openCvDecoderThreads();
        if (avcodec_parameters_to_context(c, par) < 0 || avcodec_open2(c, decoder, nullptr) < 0) {
            say(why, "the video decoder doesn't open");
            return nullptr;
        }
        // OpenCV keeps the container's size where the decoder changed it.
        if (par->width != 0 && c->width != par->width) {
            c->width = par->width;
        }
        if (par->height != 0 && c->height != par->height) {
            c->height = par->height;
        }
        src->streamIndex_ = static_cast<int>(i);
        src->stream_ = ic->streams[i];
        src->picture_.reset(av_frame_alloc());
        src->packet_.reset(av_packet_alloc());
        if (!src->picture_ || !src->packet_) {
            say(why, "out of memory");
            return nullptr;
        }
        src->openFrameSize_ = cv::Size(c->width, c->height);
        src->rotation_ = captureRotation(reinterpret_cast<const int32_t*>(
            av_stream_get_side_data(src->stream_, AV_PKT_DATA_DISPLAYMATRIX, nullptr)));
        src->deadline_.disarm();
        return src;
    }
    say(why, "no video stream");
    return nullptr;
}

cv::Size AvSource::frameSize() const {
    if (!retrievedOnce_) {
        return openFrameSize_;
    }
    return {stream_->codecpar->width, stream_->codecpar->height};
}

cv::Size AvSource::codedSize() const { return {codec_->coded_width, codec_->coded_height}; }

double AvSource::width() const {
    const cv::Size s = frameSize();
    return swapsSides(rotation_) ? s.height : s.width;
}

double AvSource::height() const {
    const cv::Size s = frameSize();
    return swapsSides(rotation_) ? s.width : s.height;
}

cv::Size AvSource::retrievedSize() const {
    const cv::Size s(stream_->codecpar->width, stream_->codecpar->height);
    return swapsSides(rotation_) ? cv::Size(s.height, s.width) : s;
}

double AvSource::fps() const { return captureFps(timingOf(*ic_, *stream_)); }

double AvSource::frameCount() const {
    return static_cast<double>(captureFrameCount(timingOf(*ic_, *stream_)));
}

int AvSource::decodeThreads() const { return codec_->thread_count; }

bool AvSource::grab() {
    wholeReady_ = false;
    if (pendingFrame_) {
        pendingFrame_ = false;
        ++frameNumber_;
        return true;
    }
    return decodeOne();
}

// OpenCV's grabFrame, step for step: the same limits decide how many frames
// a source yields.
bool AvSource::decodeOne() {
    const int64_t nbFrames = stream_->nb_frames;
    if (nbFrames > 0 && frameNumber_ > nbFrames) {
        return false;
    }
    deadline_.arm(ReadDeadline::kReadLimit);
    AVCodecContext* c = codec_.get();
    AVPacket* pkt = packet_.get();
    bool valid = avcodec_receive_frame(c, picture_.get()) >= 0;
    int errors = 0;
    while (!valid) {
        av_packet_unref(pkt);
        if (deadline_.expired()) {
            break;
        }
        int ret = av_read_frame(ic_.get(), pkt);
        if (ret == AVERROR(EAGAIN)) {
            continue;
        }
        if (ret == AVERROR_EOF) {
            // An empty packet drains the frames the decoder still holds.
            pkt->data = nullptr;
            pkt->size = 0;
            pkt->stream_index = streamIndex_;
        }
        // Any other read error leaves a blank packet of stream 0: a drain
        // request when the video is stream 0, else one more "other stream".
        if (pkt->stream_index != streamIndex_) {
            av_packet_unref(pkt);
            if (++errors > kMaxAttempts) {
                break;
            }
            continue;
        }
        if (skipUnreferencedBefore_ != AV_NOPTS_VALUE) {
            const bool before = pkt->data != nullptr && pkt->pts != AV_NOPTS_VALUE &&
                                pkt->pts < skipUnreferencedBefore_;
            c->skip_frame = before ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
        }
        if (avcodec_send_packet(c, pkt) < 0) {
            break;  // OpenCV ends the stream at the first refused packet
        }
        ret = avcodec_receive_frame(c, picture_.get());
        if (ret >= 0) {
            valid = true;
        } else if (ret == AVERROR(EAGAIN)) {
            continue;
        } else if (++errors > kMaxAttempts) {
            break;
        }
    }
    if (valid) {
        ++frameNumber_;
    }
    deadline_.disarm();
    return valid;
}

bool AvSource::frameReady() const { return picture_ && picture_->data[0] != nullptr; }

bool AvSource::ensureWhole() {
    if (wholeReady_) {
        return true;
    }
    if (!frameReady()) {
        return false;
    }
    dropUnlessReusable(wholeUpright_, rotation_);
    if (!converter_.convertWhole(*picture_, codedSize(), wholeBuffer_)) {
        return false;
    }
    retrievedOnce_ = true;
    const cv::Size fs = frameSize();
    if (fs.width <= 0 || fs.height <= 0 || fs.width > wholeBuffer_.view.cols ||
        fs.height > wholeBuffer_.view.rows) {
        return false;  // OpenCV would read past its buffer's rows here
    }
    turnUpright(wholeBuffer_.view(cv::Rect(0, 0, fs.width, fs.height)), rotation_, wholeUpright_);
    wholeReady_ = true;
    return true;
}

bool AvSource::retrieve(cv::Mat& out) {
    out.release();
    if (!ensureWhole()) {
        return false;
    }
    out = wholeUpright_;
    return true;
}

bool AvSource::partEligible() const {
    if (!frameReady()) {
        return false;
    }
    const cv::Size coded = codedSize();
    const auto format = static_cast<AVPixelFormat>(picture_->format);
    // The whole-frame context, once made, stays OpenCV's for the stream.
    const bool sameContext =
        converter_.wholeFormat() == AV_PIX_FMT_NONE || converter_.wholeFormat() == format;
    return sameContext && convertsPerPixel(format, coded.height) &&
           stream_->codecpar->width <= coded.width && stream_->codecpar->height <= coded.height;
}

bool AvSource::regionConvertsPart() const { return !wholeReady_ && partEligible(); }

bool AvSource::retrieveRegion(const cv::Rect& upright, cv::Mat& out) {
    out.release();
    if (!frameReady() || upright.width <= 0 || upright.height <= 0) {
        return false;
    }
    const cv::Size fs(stream_->codecpar->width, stream_->codecpar->height);
    const cv::Size turned = retrievedSize();
    if (upright.x < 0 || upright.y < 0 || upright.x > turned.width - upright.width ||
        upright.y > turned.height - upright.height) {
        return false;
    }
    if (wholeReady_ || !partEligible()) {
        if (!ensureWhole()) {
            return false;
        }
        out = wholeUpright_(upright);
        return true;
    }
    const cv::Rect part = convertedRectFor(decodedRectOf(upright, fs, rotation_), codedSize());
    dropUnlessReusable(partUpright_, rotation_);
    if (!converter_.convertPart(*picture_, part, partBuffer_)) {
        return false;
    }
    retrievedOnce_ = true;
    turnUpright(partBuffer_.view, rotation_, partUpright_);
    out = partUpright_(uprightRectWithin(upright, part, fs, rotation_));
    return true;
}

}  // namespace camdrift
