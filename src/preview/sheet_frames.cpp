#include "preview/sheet_frames.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace camdrift {
namespace {

// `count` frames from 0 to last, both ends included.
std::vector<int32_t> evenlySpread(int32_t last, size_t count) {
    std::vector<int32_t> frames;
    if (count == 0) return frames;
    if (count == 1) return {0};
    for (size_t i = 0; i < count; ++i) {
        const double at = static_cast<double>(last) * static_cast<double>(i) /
                          static_cast<double>(count - 1);
        frames.push_back(static_cast<int32_t>(std::lround(at)));
    }
    return frames;
}

std::vector<int32_t> keyframeFrames(const std::vector<Keyframe>& keyframes, int32_t frameCount,
                                    size_t most) {
    std::set<int32_t> inSource;
    for (const Keyframe& k : keyframes) {
        if (k.frame >= 0 && k.frame < frameCount) inSource.insert(k.frame);
    }
    const std::vector<int32_t> all(inSource.begin(), inSource.end());
    if (all.size() <= most) return all;
    std::vector<int32_t> thinned;
    for (int32_t index : evenlySpread(static_cast<int32_t>(all.size() - 1), most)) {
        thinned.push_back(all[static_cast<size_t>(index)]);
    }
    return thinned;
}

// Distance from chosen[i] to its nearest neighbour in the sorted `chosen`.
int64_t gapAround(const std::vector<int32_t>& chosen, size_t i) {
    int64_t gap = INT64_MAX;
    if (i > 0) gap = std::min(gap, int64_t{chosen[i]} - chosen[i - 1]);
    if (i + 1 < chosen.size()) gap = std::min(gap, int64_t{chosen[i + 1]} - chosen[i]);
    return gap;
}

// Drops the spread frame that crowds its neighbours most.
void dropMostCrowded(std::vector<int32_t>& chosen, const std::set<int32_t>& spread) {
    size_t drop = chosen.size();
    for (size_t i = 0; i < chosen.size(); ++i) {
        if (spread.count(chosen[i]) == 0) continue;
        if (drop == chosen.size() || gapAround(chosen, i) < gapAround(chosen, drop)) drop = i;
    }
    chosen.erase(chosen.begin() + static_cast<std::ptrdiff_t>(drop));
}

}  // namespace

std::vector<int32_t> selectSheetFrames(const std::vector<Keyframe>& keyframes, int32_t frameCount,
                                       size_t wanted, size_t most) {
    if (frameCount <= 0) return {};
    const std::vector<int32_t> keys = keyframeFrames(keyframes, frameCount, most);
    std::set<int32_t> chosen(keys.begin(), keys.end());
    std::set<int32_t> spread;
    for (int32_t frame : evenlySpread(frameCount - 1, wanted)) {
        if (chosen.insert(frame).second) spread.insert(frame);
    }
    const size_t target = std::max(std::min(wanted, most), keys.size());
    std::vector<int32_t> frames(chosen.begin(), chosen.end());
    while (frames.size() > target) dropMostCrowded(frames, spread);
    return frames;
}

}  // namespace camdrift
