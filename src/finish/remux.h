// Gives the output the source's audio back through the external muxer.
#pragma once

#include <functional>
#include <string>

#include "script/job_script.h"

namespace camdrift {

// Draws a number in 0..32767 for the temporary name.
using NumberSource = std::function<int()>;

enum class RemuxOutcome {
    Replaced,         // the muxed file took the output's place
    MuxerNotStarted,  // it could not be started (missing, not executable, ...)
    MuxerFailed,      // it exited with a status other than 0
    MuxerKilled,      // a signal ended it
    NoMuxedFile,      // it exited with 0 but left no file, or an empty one
    SwapFailed,       // its file could not be renamed over the output
    NoFreeTempName,   // every temporary name is taken: the muxer never ran
    Interrupted,      // SIGINT, SIGTERM or SIGHUP came: the muxer's file is gone
};

struct RemuxResult {
    RemuxOutcome outcome = RemuxOutcome::MuxerNotStarted;
    int exitStatus = 0;  // with MuxerFailed
    int signal = 0;      // with MuxerKilled
    std::string output;  // the end of what the muxer printed, stdout and stderr in order
};

// One draw of the C generator (seeded once by the run driver), in 0..32767.
int drawTempNumber();

// The generator's seed: the time mixed with the process id, so two runs
// started in the same second draw different temporary names.
unsigned tempNameSeed(int64_t calendarSeconds, int64_t processId);

// Runs the muxer named by job.muxerPath; called only when it is not empty.
// It reads nothing from the tool's standard input, and what it prints is
// captured, not shown. The muxed file takes the output's place only when
// the muxer exited with status 0 and left a non-empty regular file;
// otherwise that file is removed and the video-only output stays. An
// existing file is never used as the temporary one: numbers are drawn until
// a free name turns up.
RemuxResult remuxAudio(const JobScript& job, const NumberSource& drawNumber);

// "Audio not added: …!\n" for a remux that left the output without sound,
// empty for one that replaced it or was interrupted.
std::string audioNotAddedMessage(const RemuxResult& result);

// The last `count` lines of `text` as they came, the final line feed
// included; a last line without one counts too.
std::string lastLines(const std::string& text, size_t count);

}  // namespace camdrift
