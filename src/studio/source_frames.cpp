#include "studio/studio_state.h"

#include "script/utf8.h"

namespace camdrift {

StudioSource studioSourceOf(const std::string& path, const SourceInfo& info) {
    JobScript job;
    job.inputPath = decodeUtf8(path);
    return {info, probeSourceTiming(job, info)};
}

SourceFrames::SourceFrames(std::unique_ptr<FramesByNumber> source, size_t keptBytes)
    : source_(std::move(source)), keptBytes_(keptBytes) {
    if (source_) {
        info_ = source_->info();
        reader_ = source_->reader();
    }
}

bool SourceFrames::frame(int32_t n, cv::Mat& upright) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = kept_.begin(); it != kept_.end(); ++it) {
        if (it->first != n) continue;
        kept_.splice(kept_.begin(), kept_, it);
        upright = kept_.front().second;
        return true;
    }
    if (!source_ || n < 0 || n >= info_.frameCount) return false;
    cv::Mat fresh;
    if (!source_->frameAt(n, fresh)) return false;
    // Every frame is a Mat of its own, never refilled: a caller still
    // holding an older one keeps its pixels.
    kept_.emplace_front(n, fresh);
    size_t bytes = 0;
    for (auto it = kept_.begin(); it != kept_.end(); ++it) {
        bytes += it->second.total() * it->second.elemSize();
        // The newest frame stays even when it alone is over the budget.
        if (bytes > keptBytes_ && it != kept_.begin()) {
            kept_.erase(it, kept_.end());
            break;
        }
    }
    upright = fresh;
    return true;
}

}  // namespace camdrift
