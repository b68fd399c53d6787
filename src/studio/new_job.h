// The job script that `camdrift-studio JOBSCRIPT --source VIDEO` starts from.
#pragma once

#include <cstdint>
#include <string>

#include "studio/studio_job.h"

namespace camdrift {

// The muxer a new job names when it exists: FFmpeg copies the source's sound.
constexpr const char* kDefaultMuxer = "/usr/bin/ffmpeg";

// "<folder>/<stem>-framed.mp4" beside the source ("clip.mov" gives
// "clip-framed.mp4", "a/b.c.mp4" gives "a/b.c-framed.mp4").
std::string framedOutputPath(const std::string& sourcePath);

// Output beside the source, codec avc1, the muxer when `muxerExists`,
// transition 1 s, the output the source's upright size, no keyframes.
StudioJob newStudioJob(const std::string& sourcePath, int32_t width, int32_t height,
                       bool muxerExists);

}  // namespace camdrift
