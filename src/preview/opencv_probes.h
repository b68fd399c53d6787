// What the preview asks OpenCV's capture and writer: the source's
// properties, and whether the writer opens for an output like the job's.
// Kept apart from the job's other facts so that camdrift-studio, which
// checks jobs with the same warnings, needs OpenCV's video library only
// where a run does.
#pragma once

#include <optional>

#include "script/job_script.h"
#include "video/source_info.h"

namespace camdrift {

// Opens the source and reads its properties; nothing when it can't be opened.
std::optional<SourceInfo> probeSource(const JobScript& job);

// Whether OpenCV's writer opens a file with the output's extension, the
// job's codec code and output size at `fps`: tried on a fresh file in the
// system's temp folder, which is then deleted (the real output is never
// touched).
bool writerOpensLike(const JobScript& job, double fps);

}  // namespace camdrift
