// How many frames a written video really holds, told by its container
// without decoding a picture.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace camdrift {

// The packets of the file's video stream (the one a player picks); nothing
// when the file can't be opened as a video (a missing file, an MP4 whose
// index was never written). A file cut short counts the packets before the cut.
std::optional<int64_t> countVideoPackets(const std::string& path);

}  // namespace camdrift
