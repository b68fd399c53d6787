#include "video/packet_count.h"

#include "video/av_handles.h"

namespace camdrift {

std::optional<int64_t> countVideoPackets(const std::string& path) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
        return std::nullopt;
    }
    const av::InputPtr ic(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) {
        return std::nullopt;
    }
    const int video = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) {
        return std::nullopt;
    }
    const av::PacketPtr pkt(av_packet_alloc());
    if (!pkt) {
        return std::nullopt;
    }
    int64_t count = 0;
    while (av_read_frame(raw, pkt.get()) >= 0) {
        if (pkt->stream_index == video) {
            ++count;
        }
        av_packet_unref(pkt.get());
    }
    return count;
}

}  // namespace camdrift
