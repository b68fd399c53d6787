#include "render/frame_render.h"

#include <opencv2/imgproc.hpp>

#include "render/crop_rect.h"

namespace camdrift {

void renderView(const cv::Mat& frame, const ViewState& view, cv::Size outputSize, cv::Mat& scaled) {
    if (view.zoom < 100.0) {
        // The crop is computed on the decoded frame's own size, so a frame
        // that differs from the reported size can never be cut outside itself.
        const cv::Mat crop(frame, computeCropRect(frame.cols, frame.rows, view));
        cv::resize(crop, scaled, outputSize, 0, 0, cv::INTER_LINEAR);
    } else {
        cv::resize(frame, scaled, outputSize, 0, 0, cv::INTER_LINEAR);
    }
}

}  // namespace camdrift
