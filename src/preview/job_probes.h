// Facts about the files a job names, found by looking at the file system and
// by trying OpenCV's writer: never on the real output, which stays untouched.
#pragma once

#include <optional>
#include <string>

#include "preview/preview_input.h"
#include "script/job_script.h"
#include "video/source_info.h"

namespace camdrift {

// Opens the source and reads its properties; nothing when it can't be opened.
std::optional<SourceInfo> probeSource(const JobScript& job);

// How evenly the source's frames are spaced, from its container's
// timestamps, with camdrift writing them at the source's frame rate.
std::optional<FrameTiming> probeSourceTiming(const JobScript& job, const SourceInfo& source);

// Without the source's frame rate the writer isn't tried. `searchPath` is
// the PATH variable's value, where a muxer named without a folder is looked for.
FileFacts probeFiles(const JobScript& job, const std::optional<SourceInfo>& source,
                     const std::string& searchPath);

// The first name in `outputPath` that is longer than the file system of the
// nearest existing folder on the way to it accepts; nothing when all fit.
std::optional<TooLongName> tooLongNameIn(const std::string& outputPath);

// Whether OpenCV's writer opens a file with the output's extension, the job's
// codec code and output size at `fps`: tried on a fresh file in the system's
// temp folder, deleted afterwards.
bool writerOpensLike(const JobScript& job, double fps);

}  // namespace camdrift
