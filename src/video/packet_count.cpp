#include "video/packet_count.h"

#include "video/av_handles.h"

namespace camdrift {

std::optional<int64_t> countVideoPackets(const std::string& path) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
        return std::nullopt;
    }
    const av::InputPtr input(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) {
        return std::nullopt;
    }
    const int video = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) {
        return std::nullopt;
    }
    // Only the video stream's packets are wanted; the others aren't even read.
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        if (static_cast<int>(i) != video) {
            raw->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    const av::PacketPtr packet(av_packet_alloc());
    if (!packet) {
        return std::nullopt;
    }
    int64_t count = 0;
    while (av_read_frame(raw, packet.get()) >= 0) {
        if (packet->stream_index == video) {
            ++count;
        }
        av_packet_unref(packet.get());
    }
    return count;
}

}  // namespace camdrift
