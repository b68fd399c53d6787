// Frames of the job's source by number, upright, from the reader a run reads
// them with. The studio asks only this interface, so the reader behind it
// can change without the rest noticing.
#pragma once

#include <cstdint>
#include <memory>
#include <opencv2/core.hpp>
#include <string>

#include "video/opencv_video_io.h"
#include "video/source_info.h"
#include "video/video_io_choice.h"

namespace camdrift {

class FramesByNumber {
public:
    virtual ~FramesByNumber() = default;
    // Upright size, frame rate, frame count and turn, as a run reports them.
    virtual SourceInfo info() const = 0;
    // Which reader, and why OpenCV's, as a run's CAMDRIFT_VIDEO_IO_LOG says
    // it: "libav", or "opencv (...)".
    virtual std::string reader() const = 0;
    // Frame `n` (0-based) upright in BGR, the same pixels as the n-th frame
    // of a run's sequential read; false when it can't be decoded. The
    // pixels are the caller's: later calls never write over them.
    virtual bool frameAt(int32_t n, cv::Mat& uprightBgr) = 0;
};

// The libav reader where a run takes it, opened as the run opens it: a jump
// seeks to the keyframe before the frame and decodes from there, where the
// stream's timestamps tell its frames apart. Elsewhere, and where a run
// takes OpenCV's capture (CAMDRIFT_VIDEO_IO=opencv, or the libav reader
// declines, as with OPENCV_FFMPEG_CAPTURE_OPTIONS set), frames are read
// forward, and a frame behind the last one opens the source again. `io` and
// `opencv` as a run has them. Nothing when the video can't be opened. Not
// safe for concurrent calls: one caller at a time.
std::unique_ptr<FramesByNumber> openFramesByNumber(const std::string& path, VideoIo io,
                                                   OpenCvVideoIoLoader opencv);

}  // namespace camdrift
