// How many frames a written video really holds, told by its container
// without decoding a picture.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace camdrift {

// The packets of the file's video stream (the one a player picks,
// av_find_best_stream) that av_read_frame yields before the end or the first
// read error, so a file cut short counts the whole packets before the cut.
// Nothing when the file can't be opened as a video (a missing file, a text
// file, sound only, an MP4 whose index was never written).
std::optional<int64_t> countVideoPackets(const std::string& path);

}  // namespace camdrift
