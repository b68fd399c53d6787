#include "render/frame_render.h"

#include <opencv2/imgproc.hpp>

#include "render/crop_rect.h"

namespace camdrift {

namespace {

constexpr size_t kRowAlign = 64;
constexpr size_t kTailBytes = 64;

}  // namespace

CropShaping cropShapingOf(const JobScript& job) {
    CropShaping shaping;
    shaping.outputShaped =
        job.cropShape == CropShape::Output && job.outputWidth >= 1 && job.outputHeight >= 1;
    if (shaping.outputShaped) {
        shaping.output = cv::Size(job.outputWidth, job.outputHeight);
    }
    return shaping;
}

cv::Rect viewRect(cv::Size frameSize, const ViewState& view, const CropShaping& shaping) {
    if (shaping.outputShaped) {
        return computeShapedCropRect(frameSize, outputShapedBase(frameSize, shaping.output), view);
    }
    if (view.zoom < 100.0) {
        return computeCropRect(frameSize.width, frameSize.height, view);
    }
    return cv::Rect({}, frameSize);
}

void scaleView(const cv::Mat& crop, cv::Size outputSize, cv::Mat& scaled) {
    cv::resize(crop, scaled, outputSize, 0, 0, cv::INTER_LINEAR);
}

void renderView(const cv::Mat& frame, const ViewState& view, cv::Size outputSize, cv::Mat& scaled,
                const CropShaping& shaping) {
    scaleView(frame(viewRect(frame.size(), view, shaping)), outputSize, scaled);
}

cv::Mat paddedFrame(cv::Size size) {
    if (size.width <= 0 || size.height <= 0) {
        return cv::Mat();
    }
    // Rows of whole pixels that are also multiples of 64 bytes: multiples of
    // 192 bytes (64 pixels). One row more than needed covers the tail.
    constexpr int kPixelsPerStep = static_cast<int>(kRowAlign);
    const int storageCols = (size.width + kPixelsPerStep - 1) / kPixelsPerStep * kPixelsPerStep;
    static_assert(kTailBytes <= kRowAlign * 3, "the spare row covers the tail");
    const cv::Mat storage(size.height + 1, storageCols, CV_8UC3);
    return storage(cv::Rect(0, 0, size.width, size.height));
}

}  // namespace camdrift
