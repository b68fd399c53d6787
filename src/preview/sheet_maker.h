// Gathers what the contact sheet shows: the chosen frames from the source,
// the view of every frame, and draws it.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "script/job_script.h"
#include "video/source_info.h"

namespace camdrift {

// The view path is followed over at most this many frames (at 25 fps more
// than two days), which keeps its memory bounded for a bogus frame count.
constexpr int32_t kMostPlottedFrames = 5'000'000;

struct ContactSheet {
    cv::Mat image;
    std::vector<int32_t> frames;  // the frames shown, ascending
    size_t decoded = 0;           // how many of them could be decoded
};

ContactSheet makeContactSheet(const JobScript& job, const SourceInfo& source,
                              const std::string& title);

}  // namespace camdrift
