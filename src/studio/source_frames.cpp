#include "studio/studio_state.h"

namespace camdrift {

SourceFrames::SourceFrames(std::unique_ptr<FrameSource> source) : source_(std::move(source)) {
    if (source_) info_ = source_->info();
}

bool SourceFrames::frame(int32_t n, cv::Mat& upright) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (n == cachedFrame_) {
        upright = cached_;
        return true;
    }
    if (!source_ || n < 0 || n >= info_.frameCount) return false;
    cv::Mat fresh;
    if (!source_->frameAt(n, fresh)) return false;
    // A fresh Mat every time: a caller still holding the last one keeps it.
    cached_ = fresh;
    cachedFrame_ = n;
    upright = fresh;
    return true;
}

}  // namespace camdrift
