// The preview's warnings on the page's job: its text read by the tool's
// reader and checked by camdrift-preview's own checkJob, each warning tied
// to the header field or keyframe its script line holds.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "preview/job_facts.h"
#include "studio/studio_job.h"
#include "video/opencv_video_io.h"
#include "video/source_info.h"
#include "video/video_io_choice.h"

namespace camdrift {

struct StudioWarning {
    int line = 0;          // 1-based line of the job script
    std::string text;
    std::string field;     // "source", "output", "muxer", "codec", "transition", "width",
                           // "height", or empty for a keyframe line
    int keyframe = -1;     // index into the job's keyframes, or -1

    bool operator==(const StudioWarning& other) const {
        return line == other.line && text == other.text && field == other.field &&
               keyframe == other.keyframe;
    }
};

// The header field of script lines 2 to 8, empty for any other line.
std::string fieldOfLine(int line);

// Whether the run's writer opens for an output like the job's: the run's
// own choice of writer, tried on a fresh file in the temp folder with the
// output's extension, the job's codec code and output size, then deleted
// (the real output is never touched). Trying costs an encoder's start-up,
// and the page asks after every edit, so answers are kept per extension,
// codec, size and frame rate.
class WriterProbes {
public:
    // `io` and `opencv` as the run has them: OpenCV's writer is loaded only
    // when the run would write with it.
    WriterProbes(VideoIo io, OpenCvVideoIoLoader opencv) : io_(io), opencv_(opencv) {}
    bool opens(const JobScript& job, double fps);

private:
    const VideoIo io_;
    const OpenCvVideoIoLoader opencv_;
    std::mutex mutex_;
    std::map<std::string, bool> known_;
};

// What the checks know of the source: it is fixed for a session, so it is
// looked at once, when the session opens.
struct StudioSource {
    SourceInfo info;
    std::optional<FrameTiming> timing;  // nothing when its frames carry no times
};

std::vector<StudioWarning> checkStudioJob(const StudioJob& job, const StudioSource& source,
                                          const std::string& decimalPoint,
                                          WriterProbes& writerProbes);

}  // namespace camdrift
