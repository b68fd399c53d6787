// When a video's frames are presented, told by its container without
// decoding a picture.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace camdrift {

// Reading packets costs reading the file; past this many bytes the
// preview would no longer answer in about a second.
constexpr int64_t kFrameTimeReadBytes = int64_t{256} << 20;

struct FrameTimes {
    std::vector<double> seconds;  // in no particular order
    bool wholeStream = true;      // false when reading stopped at the byte budget
};

// The presentation times of the video stream's frames (the stream a player
// picks); nothing when the file can't be opened or its frames carry no
// times. Where the container's index lists every frame (MP4, MOV, AVI) it is
// read instead of the packets, so an hour-long file costs no more than its
// header; elsewhere (Matroska, WebM, MPEG-TS) packets are read until
// `readBytes` of the file have gone by.
std::optional<FrameTimes> videoFrameTimes(const std::string& path,
                                          int64_t readBytes = kFrameTimeReadBytes);

}  // namespace camdrift
