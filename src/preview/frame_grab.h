// Decodes a few frames of a video by seeking to each, reading forward
// instead once the container fails a seek.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace camdrift {

// One image per entry of `frames` (ascending indices), turned upright by
// `rotation` as a run turns them; empty where the frame couldn't be decoded.
std::vector<cv::Mat> grabFrames(const std::string& path, const std::vector<int32_t>& frames,
                                int rotation);

}  // namespace camdrift
