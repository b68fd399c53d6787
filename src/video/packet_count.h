// Counts the packets of a file's video stream without decoding them, to
// check that an output holds every frame that was written to it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace camdrift {

// The packets of the best video stream (av_find_best_stream) that
// av_read_frame yields before the end or the first read error, so a
// truncated file counts only its whole packets. nullopt when the file can't
// be opened or has no video stream.
std::optional<int64_t> countVideoPackets(const std::string& path);

}  // namespace camdrift
