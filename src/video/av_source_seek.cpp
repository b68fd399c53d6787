// Frame-exact seeking for AvSource: frames are told apart by their
// presentation timestamps, listed once from the packets without decoding.
#include <algorithm>

#include "video/av_source.h"

namespace camdrift {

namespace {

int64_t frameTimestamp(const AVFrame& f) {
    return f.pts != AV_NOPTS_VALUE ? f.pts : f.best_effort_timestamp;
}

}  // namespace

// Reads the packets of the stream on a second demuxer, so the reading
// position of the first stays where it was.
bool AvSource::buildPtsIndex() {
    ptsIndexBuilt_ = true;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path_.c_str(), nullptr, nullptr) < 0) {
        return false;
    }
    const av::InputPtr scan(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0 ||
        static_cast<unsigned>(streamIndex_) >= raw->nb_streams) {
        return false;
    }
    // The sound and any other stream are skipped by the demuxer, not read.
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        if (static_cast<int>(i) != streamIndex_) {
            raw->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    const av::PacketPtr pkt(av_packet_alloc());
    if (!pkt) {
        return false;
    }
    std::vector<int64_t> pts;
    while (av_read_frame(raw, pkt.get()) >= 0) {
        const bool ours = pkt->stream_index == streamIndex_;
        const bool shown = (pkt->flags & AV_PKT_FLAG_DISCARD) == 0;
        const int64_t t = pkt->pts;
        av_packet_unref(pkt.get());
        if (!ours || !shown) {
            continue;
        }
        if (t == AV_NOPTS_VALUE) {
            return false;  // a frame that can't be told apart
        }
        pts.push_back(t);
    }
    std::sort(pts.begin(), pts.end());
    if (std::adjacent_find(pts.begin(), pts.end()) != pts.end()) {
        return false;
    }
    ptsIndex_ = std::move(pts);
    ptsIndexUsable_ = true;
    return true;
}

bool AvSource::seekable() {
    if (!ptsIndexBuilt_) {
        buildPtsIndex();
    }
    return ptsIndexUsable_;
}

bool AvSource::seek(int64_t frameIndex) {
    const bool usable = seekable();
    pendingFrame_ = false;
    wholeReady_ = false;
    if (!usable || frameIndex < 0 ||
        frameIndex >= static_cast<int64_t>(ptsIndex_.size())) {
        return false;
    }
    const int64_t target = ptsIndex_[static_cast<size_t>(frameIndex)];
    // Only the target and the frames after it must be those of a sequential
    // read, and those are all decoded: a frame before the target that no
    // other frame refers to can't change them, so it isn't decoded at all.
    skipUnreferencedBefore_ = target;
    const bool found = decodeFromKeyframeTo(target, frameIndex);
    skipUnreferencedBefore_ = AV_NOPTS_VALUE;
    codec_->skip_frame = AVDISCARD_DEFAULT;
    return found;
}

bool AvSource::decodeFromKeyframeTo(int64_t target, int64_t frameIndex) {
    // The keyframe before the target first; should decoding from there pass
    // the target by (an index that points past it), the stream's start.
    const int64_t starts[] = {target, ptsIndex_.front()};
    for (const int64_t start : starts) {
        if (av_seek_frame(ic_.get(), streamIndex_, start, AVSEEK_FLAG_BACKWARD) < 0) {
            continue;
        }
        avcodec_flush_buffers(codec_.get());
        frameNumber_ = 0;
        while (decodeOne()) {
            const int64_t t = frameTimestamp(*picture_);
            if (t == target) {
                pendingFrame_ = true;
                frameNumber_ = frameIndex;
                return true;
            }
            if (t > target) {
                break;
            }
        }
    }
    return false;
}

}  // namespace camdrift
