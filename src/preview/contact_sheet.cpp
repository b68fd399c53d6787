#include "preview/contact_sheet.h"

#include <opencv2/imgproc.hpp>

#include "platform/platform.h"
#include "preview/sheet_geometry.h"
#include "preview/view_plot.h"
#include "render/crop_rect.h"

namespace camdrift {
namespace {

// The border lies inside `r`, so its outer pixels are the rectangle's edges.
void drawBorder(cv::Mat& image, const cv::Rect& r, const cv::Scalar& colour, int thickness) {
    const int across = std::min(thickness, r.width);
    const int down = std::min(thickness, r.height);
    cv::rectangle(image, cv::Rect(r.x, r.y, r.width, down), colour, cv::FILLED);
    cv::rectangle(image, cv::Rect(r.x, r.br().y - down, r.width, down), colour, cv::FILLED);
    cv::rectangle(image, cv::Rect(r.x, r.y, across, r.height), colour, cv::FILLED);
    cv::rectangle(image, cv::Rect(r.br().x - across, r.y, across, r.height), colour, cv::FILLED);
}

cv::Size frameSize(const SheetThumb& thumb, cv::Size reported) {
    return thumb.image.empty() ? reported : thumb.image.size();
}

// The frame scaled into `area`, darkened outside the view's rectangle.
void drawFrame(cv::Mat& area, const SheetThumb& thumb, const cv::Rect& kept) {
    if (thumb.image.empty()) {
        area.setTo(kMissingFrame);
        drawText(area, "frame not decoded", cv::Point(10, area.rows / 2), kPaper, 0.6);
        return;
    }
    cv::Mat scaled;
    cv::resize(thumb.image, scaled, area.size(), 0, 0, cv::INTER_AREA);
    cv::Mat shown;
    scaled.convertTo(shown, -1, kOutsideCropBrightness);
    scaled(kept).copyTo(shown(kept));
    shown.copyTo(area);
}

void drawThumb(cv::Mat& sheet, const cv::Rect& cell, const cv::Rect& caption,
               const SheetThumb& thumb, cv::Size reported) {
    const cv::Size size = frameSize(thumb, reported);
    const cv::Rect crop = computeCropRect(size.width, size.height, thumb.view);
    const cv::Rect kept = scaleToThumb(crop, size, cell.size());
    cv::Mat area = sheet(cell);
    drawFrame(area, thumb, kept);
    drawBorder(area, kept, kCropColour, kCropBorder);

    const std::string first = platform::formatText(
        "frame %d%s", static_cast<int>(thumb.frame), thumb.keyframe ? "  (keyframe)" : "");
    const std::string second = platform::formatText(
        "zoom %.1f  x %.1f  y %.1f", thumb.view.zoom, thumb.view.centerX, thumb.view.centerY);
    const std::string third = platform::formatText("crop %d x %d at (%d, %d)", crop.width,
                                                   crop.height, crop.x, crop.y);
    drawText(sheet, first, caption.tl() + cv::Point(2, 16), kInk);
    drawText(sheet, second, caption.tl() + cv::Point(2, 34), kInk);
    drawText(sheet, third, caption.tl() + cv::Point(2, 52), kInk);
}

}  // namespace

cv::Mat drawContactSheet(const SheetContent& content) {
    const SheetLayout layout = layoutSheet(content.thumbs.size(), content.source);
    cv::Mat sheet(layout.size, CV_8UC3, kPaper);
    drawText(sheet, content.title, layout.title.tl() + cv::Point(0, 20), kInk, 0.6);
    for (size_t i = 0; i < content.thumbs.size(); ++i) {
        drawThumb(sheet, layout.thumbs[i], layout.captions[i], content.thumbs[i], content.source);
    }
    drawViewPlot(sheet, layout, content.views, content.motions, content.keyframes);
    return sheet;
}

}  // namespace camdrift
