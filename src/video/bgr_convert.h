// Decoded frames to BGR the way OpenCV 4.6's capture converts them
// (swscale, SWS_BICUBIC, the whole frame at its coded size), and the
// shortcut of converting only a rectangle where that gives the same bytes.
#pragma once

#include <opencv2/core.hpp>

#include "video/av_handles.h"

namespace camdrift {

// True when swscale converts `format` to BGR24 at the same size through its
// unscaled YUV-to-RGB routine (planar 4:2:0 or 4:2:2, 8 bits, full or limited
// range, no SWS_ACCURATE_RND, an even number of rows). That routine makes
// each pixel from its own luma and the chroma of its 2x2 (or 2x1) block and
// walks each row from its start in runs of at most 16 pixels, so a rectangle
// whose left edge is a multiple of 16 and whose rows start on an even row
// converts to exactly the bytes of the whole-frame conversion.
bool convertsPerPixel(AVPixelFormat format, int codedHeight);

// The rectangle actually converted for `wanted` (inside the coded frame):
// left edge down to a multiple of 16, top down to an even row, and a size
// that depends only on the wanted size (its width rounded up to 16 plus 16,
// its height rounded up to even plus 2), cut at the frame's right and
// bottom edges. Reading never goes further right than the whole-frame
// conversion reads.
cv::Rect convertedRectFor(const cv::Rect& wanted, cv::Size coded);

// A BGR image with room for swscale's SIMD to write whole runs of 16 pixels
// past the right edge of every row; `view` is the rows x cols part.
struct BgrBuffer {
    cv::Mat storage;
    cv::Mat view;
};

// Makes `buffer` hold rows x cols BGR pixels with SIMD room, reusing its
// memory unless something else still shares it.
void prepareBgrBuffer(BgrBuffer& buffer, int rows, int cols);

class BgrConverter {
public:
    // Converts the whole frame at coded size into `out` (coded rows x cols),
    // with the swscale context OpenCV makes on its first retrieve and then
    // keeps for the rest of the stream. False when swscale refuses the format.
    bool convertWhole(const AVFrame& frame, cv::Size coded, BgrBuffer& out);

    // Converts only `part` (a result of convertedRectFor, frame eligible per
    // convertsPerPixel) into `out` (part rows x cols). False when swscale
    // fails.
    bool convertPart(const AVFrame& frame, const cv::Rect& part, BgrBuffer& out);

    // The format the whole-frame context was made for, AV_PIX_FMT_NONE before.
    AVPixelFormat wholeFormat() const { return wholeFormat_; }

private:
    av::SwsPtr whole_;
    AVPixelFormat wholeFormat_ = AV_PIX_FMT_NONE;
    cv::Size wholeSize_;
    av::SwsPtr part_;
};

}  // namespace camdrift
