// The raw bytes of the job script file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace camdrift {

// Far beyond any real job script (a keyframe on every frame of ten hours at
// 60 frames per second takes about 50 MiB), and small enough that a path to
// an endless stream such as /dev/zero is refused before memory runs out.
constexpr size_t kMaxScriptBytes = size_t{128} << 20;

// All bytes of the file; nothing when it can't be opened, names a directory,
// holds more than `maxBytes`, or fails while being read. A named pipe without
// a writer reads as empty instead of waiting for one.
std::optional<std::string> readFileBytes(const std::string& path,
                                         size_t maxBytes = kMaxScriptBytes);

}  // namespace camdrift
