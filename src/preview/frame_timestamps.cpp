#include "preview/frame_timestamps.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cstddef>
#include <memory>

namespace camdrift {
namespace {

struct InputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;

// Most containers describe their streams in the header; a few (MPEG-TS)
// only once packets have been looked at.
int videoStreamOf(AVFormatContext* input) {
    const int stream = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream >= 0 || avformat_find_stream_info(input, nullptr) < 0) return stream;
    return av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
}

// The index holds decode times. Without B-frames they are the presentation
// times. With them, encoders give the i-th decode time the presentation time
// of the (i - delay)-th picture, so the first `delay` decode times are made
// up, before the first picture: past those, the decode times are the
// presentation times of all frames but the last `delay`, which the drift
// can do without.
std::optional<FrameTimes> timesFromIndex(AVStream* stream) {
    const int entries = avformat_index_get_entries_count(stream);
    if (stream->nb_frames <= 0 || entries < stream->nb_frames) return std::nullopt;
    const double tick = av_q2d(stream->time_base);
    const int delay = stream->codecpar->video_delay;
    FrameTimes frames;
    std::vector<double>& times = frames.seconds;
    times.reserve(static_cast<size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(stream, i);
        if (!entry || (entry->flags & AVINDEX_DISCARD_FRAME)) continue;
        times.push_back(static_cast<double>(entry->timestamp) * tick);
    }
    std::sort(times.begin(), times.end());
    const size_t madeUp = std::min(times.size(), static_cast<size_t>(std::max(delay, 0)));
    times.erase(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(madeUp));
    return frames;
}

FrameTimes timesFromPackets(AVFormatContext* input, int stream, int64_t readBytes) {
    FrameTimes times;
    // Only the video stream's packets are wanted; the others are skipped.
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        if (static_cast<int>(i) != stream) input->streams[i]->discard = AVDISCARD_ALL;
    }
    const std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!packet) return times;
    const double tick = av_q2d(input->streams[stream]->time_base);
    while (av_read_frame(input, packet.get()) >= 0) {
        const int64_t time = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        const bool shown = !(packet->flags & AV_PKT_FLAG_DISCARD);
        if (packet->stream_index == stream && shown && time != AV_NOPTS_VALUE) {
            times.seconds.push_back(static_cast<double>(time) * tick);
        }
        av_packet_unref(packet.get());
        if (input->pb && avio_tell(input->pb) > readBytes) {
            times.wholeStream = false;
            break;
        }
    }
    return times;
}

}  // namespace

std::optional<FrameTimes> videoFrameTimes(const std::string& path, int64_t readBytes) {
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) return std::nullopt;
    const Input input(opened);
    const int stream = videoStreamOf(input.get());
    if (stream < 0) return std::nullopt;
    std::optional<FrameTimes> times = timesFromIndex(input->streams[stream]);
    if (!times) times = timesFromPackets(input.get(), stream, readBytes);
    if (times->seconds.empty()) return std::nullopt;
    return times;
}

}  // namespace camdrift
