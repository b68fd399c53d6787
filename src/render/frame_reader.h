// Decodes the source on a thread of its own, a few frames ahead of the
// frame loop, so decoding overlaps the scaling and encoding of earlier frames.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>
#include <thread>
#include <vector>

namespace camdrift {

class FrameReader {
public:
    // Reads at most frameLimit frames; `depth` frame buffers are reused in turn.
    FrameReader(cv::VideoCapture& source, int32_t frameLimit, size_t depth);
    ~FrameReader();
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;

    // The next frame in source order, or nullptr once the source has no more
    // (its end, a damaged tail, or the limit). The frame stays valid until
    // the next call, which hands its buffer back to the reader.
    const cv::Mat* next();

private:
    void readAll();

    cv::VideoCapture& source_;
    const int32_t frameLimit_;
    std::vector<cv::Mat> buffers_;
    std::mutex mutex_;
    std::condition_variable frameReady_;
    std::condition_variable bufferFree_;
    int64_t produced_ = 0;  // frames decoded so far
    int64_t consumed_ = 0;  // frames handed back by the loop
    bool holding_ = false;  // the loop holds frame number `consumed_`
    bool ended_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace camdrift
