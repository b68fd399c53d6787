// Fuzz body for the view track and the crop rectangles: whatever the
// keyframes, frame rate, transition time and output size, every frame's crop
// lies inside the frame, in the source's shape and in the output's, and the
// output-shaped one never outgrows its largest window.
#include <string>
#include <vector>

#include "byte_reader.h"
#include "fuzz_bodies.h"
#include "render/crop_rect.h"
#include "render/view_track.h"

namespace camdrift_fuzz {

namespace {

// The frame loop drives the track from frame 0; this many frames reach every
// kind of segment without making one input slow.
constexpr int32_t kMaxFrames = 2000;
constexpr size_t kMaxKeyframes = 8;
constexpr int32_t kMaxFrameSide = 4096;

camdrift::Keyframe keyframeFrom(ByteReader& bytes) {
    camdrift::Keyframe keyframe;
    keyframe.frame = bytes.int32();
    keyframe.zoom = bytes.int32();
    keyframe.centerX = bytes.int32();
    keyframe.centerY = bytes.int32();
    keyframe.transition = bytes.int32();
    return keyframe;
}

bool insideFrame(const cv::Rect& rect, int32_t width, int32_t height) {
    return rect.width >= 1 && rect.height >= 1 && rect.x >= 0 && rect.y >= 0 &&
           int64_t{rect.x} + rect.width <= width && int64_t{rect.y} + rect.height <= height;
}

std::string describe(int32_t cur, const camdrift::ViewState& view, const cv::Rect& rect,
                     int32_t width, int32_t height) {
    return "frame " + std::to_string(cur) + " of " + std::to_string(width) + "x" +
           std::to_string(height) + ": view (" + std::to_string(view.zoom) + ", " +
           std::to_string(view.centerX) + ", " + std::to_string(view.centerY) + ") gives (" +
           std::to_string(rect.x) + ", " + std::to_string(rect.y) + ", " +
           std::to_string(rect.width) + ", " + std::to_string(rect.height) + ")";
}

}  // namespace

std::string checkViewCrop(const uint8_t* data, size_t size) {
    ByteReader bytes(data, size);
    const int32_t width = 1 + bytes.u16() % kMaxFrameSide;
    const int32_t height = 1 + bytes.u16() % kMaxFrameSide;
    const int32_t frames = bytes.u16() % (kMaxFrames + 1);
    const double fps = bytes.real();
    const double transitionSeconds = bytes.real();
    std::vector<camdrift::Keyframe> keyframes(bytes.byte() % (kMaxKeyframes + 1));
    for (auto& keyframe : keyframes) keyframe = keyframeFrom(bytes);

    // Read last, so inputs written before the output-shaped crop keep their meaning.
    const cv::Size output(1 + bytes.u16() % kMaxFrameSide, 1 + bytes.u16() % kMaxFrameSide);
    const cv::Size base = camdrift::outputShapedBase(cv::Size(width, height), output);
    if (!insideFrame(cv::Rect(cv::Point(), base), width, height)) {
        return "window " + std::to_string(base.width) + "x" + std::to_string(base.height) +
               " of output " + std::to_string(output.width) + "x" +
               std::to_string(output.height) + " outside the frame";
    }

    camdrift::ViewTrack track(keyframes, transitionSeconds, fps);
    for (int32_t cur = 0; cur < frames; ++cur) {
        const camdrift::ViewState& view = track.selectSegment(cur);
        const cv::Rect rect = camdrift::computeCropRect(width, height, view);
        if (!insideFrame(rect, width, height)) return describe(cur, view, rect, width, height);
        const cv::Rect shaped = camdrift::computeShapedCropRect(cv::Size(width, height), base, view);
        if (!insideFrame(shaped, width, height) || shaped.width > base.width ||
            shaped.height > base.height) {
            return "output-shaped " + describe(cur, view, shaped, width, height);
        }
    }
    return {};
}

}  // namespace camdrift_fuzz
