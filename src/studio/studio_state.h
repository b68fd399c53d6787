// Everything the studio's handlers share: the session's fixed facts, the
// source's frames, the render child. Handlers run on several threads at
// once; each part guards itself.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <opencv2/core.hpp>
#include <string>

#include "studio/frames_by_number.h"
#include "studio/job_checks.h"
#include "studio/render_runner.h"
#include "studio/studio_job.h"
#include "video/opencv_video_io.h"
#include "video/video_io_choice.h"

namespace camdrift {

// Request bodies are a job as JSON: a keyframe takes under 100 bytes, so
// this holds ten thousand of them.
constexpr size_t kMaxBodyBytes = size_t{1} << 20;

struct StudioSession {
    std::string scriptPath;
    std::string sourcePath;    // line 2 of the script: the only video ever read
    std::string decimalPoint;  // the locale's, which the render child inherits
    std::string token;         // opens the page and, sent as a header, the API
    int port = 0;              // names the cookie, so studios on other ports keep theirs
    // The cookie's value, which opens the page's own files only: browsers
    // send a 127.0.0.1 cookie to every port there, so it must not be the token.
    std::string pageKey;
};

// Decoded frames kept for a step back: a few seconds of 1080p, a second of 4K.
constexpr size_t kKeptFrameBytes = size_t{256} << 20;

// The source's frames for one caller at a time. The frames handed out last
// are kept: the page asks for the source picture and the output of one
// frame together, and stepping back over frames just seen needs no seek.
class SourceFrames {
public:
    explicit SourceFrames(std::unique_ptr<FramesByNumber> source,
                          size_t keptBytes = kKeptFrameBytes);
    SourceInfo info() const { return info_; }
    const std::string& reader() const { return reader_; }
    bool frame(int32_t n, cv::Mat& upright);

private:
    std::mutex mutex_;
    std::unique_ptr<FramesByNumber> source_;
    SourceInfo info_;
    std::string reader_;
    const size_t keptBytes_;
    std::list<std::pair<int32_t, cv::Mat>> kept_;  // the most recently used first
};

// The source's facts for the checks: its properties as read, and how evenly
// its frames are timed, from its container.
StudioSource studioSourceOf(const std::string& path, const SourceInfo& info);

struct StudioState {
    // `io` and `opencv` as a run has them: the writer check takes the run's
    // writer, and OpenCV's video library is loaded only when a run would.
    StudioState(StudioSession session, std::unique_ptr<FramesByNumber> source,
                std::string camdriftPath, VideoIo io, OpenCvVideoIoLoader opencv)
        : session(std::move(session)),
          frames(std::move(source)),
          source(studioSourceOf(this->session.sourcePath, frames.info())),
          writerProbes(io, opencv),
          render(std::move(camdriftPath)) {}

    const StudioSession session;
    SourceFrames frames;
    const StudioSource source;
    WriterProbes writerProbes;
    RenderRunner render;
    std::mutex saveMutex;  // one save at a time
};

}  // namespace camdrift
