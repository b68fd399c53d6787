// The name of the muxer's temporary file beside the output.
#pragma once

#include <string>

namespace camdrift {

// outputPath is UTF-8; number is in 0..32767.
std::string makeTempPath(const std::string& outputPath, int number);

}  // namespace camdrift
