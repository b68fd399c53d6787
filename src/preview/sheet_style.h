// Colours (BGR) and text of the contact sheet, in one place so the drawing
// code and the legend agree.
#pragma once

#include <opencv2/core/types.hpp>
#include <string>

namespace camdrift {

// The crop rectangle on the thumbnails: a colour no part of the sheet's own
// drawing uses.
inline const cv::Scalar kCropColour(255, 0, 255);
constexpr int kCropBorder = 2;  // pixels, drawn inside the rectangle

inline const cv::Scalar kPaper(255, 255, 255);
inline const cv::Scalar kInk(40, 40, 40);
inline const cv::Scalar kGridInk(215, 215, 215);
inline const cv::Scalar kMissingFrame(128, 128, 128);

inline const cv::Scalar kZoomInk(40, 40, 210);
inline const cv::Scalar kCenterXInk(40, 150, 40);
inline const cv::Scalar kCenterYInk(200, 90, 20);
inline const cv::Scalar kKeyframeInk(90, 90, 90);

inline const cv::Scalar kHoldShade(232, 232, 232);
inline const cv::Scalar kRampShade(190, 225, 255);
inline const cv::Scalar kLinearShade(250, 230, 195);

// Outside the crop rectangle a thumbnail is darkened by this factor.
constexpr double kOutsideCropBrightness = 0.45;

// OpenCV's built-in font has ASCII only: other bytes are shown as '?'.
std::string asciiText(const std::string& utf8);

// Draws `text` with its baseline at `origin` in the sheet's small font.
void drawText(cv::Mat& image, const std::string& text, cv::Point origin,
              const cv::Scalar& colour, double scale = 0.45);

}  // namespace camdrift
