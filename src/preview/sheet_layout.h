// Where everything sits on the contact sheet: a title, rows of thumbnails
// with a caption under each, a legend and the plot of the view over time.
#pragma once

#include <cstddef>
#include <opencv2/core/types.hpp>
#include <vector>

namespace camdrift {

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

}  // namespace camdrift
