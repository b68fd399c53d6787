// Writes the contact sheet as a PNG file.
#pragma once

#include <opencv2/core.hpp>
#include <string>

namespace camdrift {

// Always PNG, whatever the path's extension; false when it can't be written.
bool writePng(const std::string& path, const cv::Mat& image);

}  // namespace camdrift
