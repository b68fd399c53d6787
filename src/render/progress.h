// The progress line of the frame loop.
#pragma once

#include <cstdint>
#include <string>

namespace camdrift {

// "Processed: P% (cur / frameCount)\n", P the whole percentage rounded down.
std::string progressLine(int32_t cur, int32_t frameCount);

// Counts frames and says when a progress line is due: at frames 101, 202,
// 303 and so on (every 101 frames, the first frame being 0).
class ProgressPacer {
public:
    bool dueBeforeAdvance() const { return counter_ > 100; }
    void reset() { counter_ = 0; }
    void advance() { ++counter_; }

private:
    int32_t counter_ = 0;
};

}  // namespace camdrift
