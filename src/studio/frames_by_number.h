// Frames of the job's source by number, turned upright as a run sees them.
// The studio asks only this interface, so the reader behind it can change
// without the rest noticing.
#pragma once

#include <cstdint>
#include <memory>
#include <opencv2/core.hpp>
#include <string>

#include "video/source_info.h"

namespace camdrift {

class FramesByNumber {
public:
    virtual ~FramesByNumber() = default;
    // Upright size, frame rate, frame count and turn, as a run reads them.
    virtual SourceInfo info() const = 0;
    // Frame `n` (0-based) upright in BGR; false when it can't be decoded.
    virtual bool frameAt(int32_t n, cv::Mat& uprightBgr) = 0;
};

// OpenCV's capture, opened and turned upright as a run's OpenCV reader does;
// nothing when the video can't be opened. Not safe for concurrent calls: one
// caller at a time.
std::unique_ptr<FramesByNumber> openFramesByNumber(const std::string& path);

}  // namespace camdrift
