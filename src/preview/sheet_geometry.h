// The contact sheet's design, decided before a pixel is drawn.
// Which source frames it shows, where the title, thumbnails, captions,
// legend and plot sit, where a crop rectangle lands in a thumbnail, the
// plot's scale, and the inks and type that the thumbnails and the plot share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "render/view_state.h"
#include "script/job_script.h"

namespace camdrift {

// ---- Which frames ----

// Every keyframe's frame that the source has (evenly thinned to `most` when
// there are more), and evenly spread frames from the first to the last
// between them, `wanted` in all or the keyframe count if that is larger.
// Spread frames nearest to another chosen frame are dropped first. Sorted,
// no repeats; empty for a source without frames.
std::vector<int32_t> selectSheetFrames(const std::vector<Keyframe>& keyframes, int32_t frameCount,
                                       size_t wanted = 12, size_t most = 16);

// ---- Where everything sits ----

constexpr int kSheetWidth = 1600;
constexpr int kSheetColumns = 4;

struct SheetLayout {
    cv::Size size;
    cv::Rect title;
    std::vector<cv::Rect> thumbs;    // one per shown frame, in order, row by row
    std::vector<cv::Rect> captions;  // under each thumbnail
    cv::Rect legend;
    cv::Rect plot;                   // the plot's data area; axis labels are outside it
};

// Thumbnails keep the source's aspect ratio (16:9 when it has no size).
SheetLayout layoutSheet(size_t thumbCount, cv::Size source);

// `crop`, a rectangle of the source frame, in the pixels of a thumbnail of
// size `thumb`: the edges are rounded outward, so the drawn border covers
// the kept area, and the result stays inside the thumbnail.
cv::Rect scaleToThumb(const cv::Rect& crop, cv::Size source, cv::Size thumb);

// ---- The plot's scale ----

// The plot's mapping from frame index and percent to pixels.
struct PlotScale {
    cv::Rect area;       // the data area
    int32_t frames = 0;  // frame 0 sits on the left edge, frame frames - 1 on the right
    double low = 0.0;    // the value on the bottom edge
    double high = 100.0; // the value on the top edge

    double xOf(double frame) const;
    // Values beyond the range are drawn on its edge.
    double yOf(double value) const;
};

// 0 to 100, widened to the views' and keyframes' values but never beyond
// -100 to 200, where a wild value would flatten everything else.
PlotScale plotScale(const cv::Rect& area, const std::vector<ViewState>& views,
                    const std::vector<Keyframe>& keyframes);

// Frame indices for the axis labels: multiples of 1, 2 or 5 times a power of
// ten, at most `most` of them, from 0.
std::vector<int32_t> frameTicks(int32_t frames, int most);

// ---- Inks (BGR) and type, in one place so the drawing and the legend agree ----

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
