#include "render/frames_ahead.h"

namespace camdrift {

FramesAhead::FramesAhead(Producer produce, int32_t frameLimit, size_t depth)
    : produce_(std::move(produce)), frameLimit_(frameLimit), buffers_(depth < 1 ? 1 : depth) {
    thread_ = std::thread([this] { produceAll(); });
}

FramesAhead::~FramesAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    bufferFree_.notify_all();
    thread_.join();
}

void FramesAhead::produceAll() {
    const int64_t depth = static_cast<int64_t>(buffers_.size());
    for (int64_t index = 0; index < frameLimit_; ++index) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            bufferFree_.wait(lock, [&] { return stopping_ || index - consumed_ < depth; });
            if (stopping_) {
                break;
            }
        }
        // The consumer only touches buffers of frames in [consumed_, produced_),
        // so this one is the producer's alone while it is filled.
        if (!produce_(buffers_[static_cast<size_t>(index % depth)])) {
            break;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            produced_ = index + 1;
        }
        frameReady_.notify_one();
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
    }
    frameReady_.notify_one();
}

const OutputFrame* FramesAhead::next() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (holding_) {
        ++consumed_;
        holding_ = false;
        bufferFree_.notify_one();
    }
    frameReady_.wait(lock, [&] { return ended_ || consumed_ < produced_; });
    if (consumed_ >= produced_) {
        return nullptr;
    }
    holding_ = true;
    return &buffers_[static_cast<size_t>(consumed_ % static_cast<int64_t>(buffers_.size()))];
}

}  // namespace camdrift
