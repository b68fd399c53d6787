// The contact sheet, from the job to the PNG file.
// The chosen source frames, each with the crop rectangle of its view, over
// the plot of the view across the whole video.
#pragma once

#include <cstddef>
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

// Decodes the frames the sheet shows from the source, follows the view of
// every frame and draws the sheet under `title`.
ContactSheet makeContactSheet(const JobScript& job, const SourceInfo& source,
                              const std::string& title);

// One image per entry of `frames` (ascending indices), turned upright by
// `rotation` as a run turns them; empty where the frame couldn't be decoded.
// Each frame is sought; once the container fails a seek (raw streams can't
// seek exactly), the rest are read forward instead.
std::vector<cv::Mat> grabFrames(const std::string& path, const std::vector<int32_t>& frames,
                                int rotation);

// Always PNG, whatever the path's extension; false when it can't be written.
bool writePng(const std::string& path, const cv::Mat& image);

}  // namespace camdrift
