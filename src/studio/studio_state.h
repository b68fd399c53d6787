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

#include "studio/frame_source.h"
#include "studio/job_checks.h"
#include "studio/render_runner.h"
#include "studio/studio_job.h"

namespace camdrift {

// Request bodies are a job as JSON: a keyframe takes under 100 bytes, so
// this holds ten thousand of them.
constexpr size_t kMaxBodyBytes = size_t{1} << 20;

struct StudioSession {
    std::string scriptPath;
    std::string sourcePath;    // line 2 of the script: the only video ever read
    std::string decimalPoint;  // the locale's, which the render child inherits
    std::string token;
    int port = 0;              // names the cookie, so studios on other ports keep theirs
};

// Decoded frames kept for a step back: a few seconds of 1080p, a second of 4K.
constexpr size_t kKeptFrameBytes = size_t{256} << 20;

// The source's frames for one caller at a time. The frames handed out last
// are kept: the page asks for the source picture and the output of one
// frame together, and stepping back over frames just seen needs no seek.
class SourceFrames {
public:
    explicit SourceFrames(std::unique_ptr<FrameSource> source,
                          size_t keptBytes = kKeptFrameBytes);
    SourceInfo info() const { return info_; }
    bool frame(int32_t n, cv::Mat& upright);

private:
    std::mutex mutex_;
    std::unique_ptr<FrameSource> source_;
    SourceInfo info_;
    const size_t keptBytes_;
    std::list<std::pair<int32_t, cv::Mat>> kept_;  // the most recently used first
};

struct StudioState {
    StudioState(StudioSession session, std::unique_ptr<FrameSource> source,
                std::string camdriftPath)
        : session(std::move(session)),
          frames(std::move(source)),
          render(std::move(camdriftPath)) {}

    const StudioSession session;
    SourceFrames frames;
    WriterProbes writerProbes;
    RenderRunner render;
    std::mutex saveMutex;  // one save at a time
};

}  // namespace camdrift
