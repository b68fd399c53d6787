// The raw bytes of the job script file.
#pragma once

#include <optional>
#include <string>

namespace camdrift {

// All bytes of the file; nothing when it can't be opened, names a directory,
// or fails while being read.
std::optional<std::string> readFileBytes(const std::string& path);

}  // namespace camdrift
