// Gives the output the source's audio back through the external muxer.
#pragma once

#include <functional>
#include <string>

#include "script/job_script.h"

namespace camdrift {

// Draws a number in 0..32767 for the temporary name.
using NumberSource = std::function<int()>;

enum class RemuxOutcome {
    Replaced,        // the muxed file took the output's place
    MuxerFailed,     // can't start, non-zero exit, killed, or no/empty file: output left as it was
    NoFreeTempName,  // every temporary name is taken: the muxer never ran
    Interrupted,     // SIGINT or SIGTERM came: the muxer's file is gone, output left as it was
};

// One draw of the C generator (seeded once by the run driver), in 0..32767.
int drawTempNumber();

// Runs the muxer named by job.muxerPath; called only when it is not empty.
// The muxed file takes the output's place only when the muxer exited with
// status 0 and left a non-empty regular file; otherwise that file is removed
// and the video-only output stays. An existing file is never used as the
// temporary one: numbers are drawn until a free name turns up.
RemuxOutcome remuxAudio(const JobScript& job, const NumberSource& drawNumber);

}  // namespace camdrift
