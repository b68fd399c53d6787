// The preview's warnings on the page's job: its text read by the tool's
// reader and checked by camdrift-preview's own checkJob, each warning tied
// to the header field or keyframe its script line holds.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "studio/frame_source.h"
#include "studio/studio_job.h"

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

// Whether OpenCV's writer opens for an output like the job's. Trying costs
// an encoder's start-up, and the page asks after every edit, so answers are
// kept per extension, codec, size and frame rate.
class WriterProbes {
public:
    bool opens(const JobScript& job, double fps);

private:
    std::mutex mutex_;
    std::map<std::string, bool> known_;
};

// The source's facts come from the session (it is never opened again here).
std::vector<StudioWarning> checkStudioJob(const StudioJob& job, const SourceInfo& source,
                                          const std::string& decimalPoint,
                                          WriterProbes& writerProbes);

}  // namespace camdrift
