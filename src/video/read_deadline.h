// The 30-second limit OpenCV's capture puts on opening a source and on each
// frame grab, as a libav interrupt callback.
#pragma once

#include <chrono>

extern "C" {
#include <libavformat/avio.h>
}

namespace camdrift {

class ReadDeadline {
public:
    static constexpr std::chrono::milliseconds kOpenLimit{30000};
    static constexpr std::chrono::milliseconds kReadLimit{30000};

    // Starts the clock with `limit`; a zero limit never expires.
    void arm(std::chrono::milliseconds limit);
    void disarm() { arm(std::chrono::milliseconds(0)); }
    // True once a callback has found the limit passed (OpenCV's `timeout`;
    // it stays set until the next check finds time left).
    bool expired() const { return expired_; }

    // The callback to put in AVFormatContext::interrupt_callback; `this`
    // must outlive the context.
    AVIOInterruptCB callback();

private:
    static int check(void* self);
    std::chrono::steady_clock::time_point start_;
    std::chrono::milliseconds limit_{0};
    bool expired_ = false;
};

}  // namespace camdrift
