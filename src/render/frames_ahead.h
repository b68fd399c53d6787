// Makes frames on a thread of its own, a few ahead of the one consuming
// them, so that decoding and scaling overlap the encoding of earlier frames.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "render/output_frame.h"

namespace camdrift {

class FramesAhead {
public:
    // Fills the next frame into the buffer it is given; false when there is
    // no more (the source ended or failed).
    using Producer = std::function<bool(OutputFrame& frame)>;

    // Calls `produce` at most `frameLimit` times, in order; `depth` buffers
    // are reused in turn, so memory stays flat whatever the video's length.
    FramesAhead(Producer produce, int32_t frameLimit, size_t depth);
    // Stops the producer after the frame it is making and waits for it.
    ~FramesAhead();
    FramesAhead(const FramesAhead&) = delete;
    FramesAhead& operator=(const FramesAhead&) = delete;

    // The next frame in order, or nullptr once there are no more. It stays
    // valid until the next call, which hands its buffer back.
    const OutputFrame* next();

private:
    void produceAll();

    Producer produce_;
    const int32_t frameLimit_;
    std::vector<OutputFrame> buffers_;
    std::mutex mutex_;
    std::condition_variable frameReady_;
    std::condition_variable bufferFree_;
    int64_t produced_ = 0;  // frames made so far
    int64_t consumed_ = 0;  // frames handed back by the consumer
    bool holding_ = false;  // the consumer holds frame number `consumed_`
    bool ended_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace camdrift
