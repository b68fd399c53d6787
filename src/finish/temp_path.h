// The name of the muxer's temporary file beside the output, and the output's
// extension, which that name and the preview's writer check both take.
#pragma once

#include <string>

namespace camdrift {

// The extension of the path's file name with its dot (".avi"), or empty when
// the file name has no dot. Either slash ends a folder name, so a dot in a
// folder never counts ("C:\clips.v2\out" has none); the last dot of the file
// name does ("clip.final.mov" gives ".mov", ".hidden" gives ".hidden").
std::string outputExtension(const std::string& outputPath);

// outputPath is UTF-8; number is in 0..32767.
std::string makeTempPath(const std::string& outputPath, int number);

}  // namespace camdrift
