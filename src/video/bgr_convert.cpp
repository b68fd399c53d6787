#include "video/bgr_convert.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace camdrift {

namespace {

// swscale's x86 routine writes whole runs of 16 pixels.
constexpr int kSimdRun = 16;

int roundDown(int v, int m) { return v / m * m; }
int roundUp(int v, int m) { return (v + m - 1) / m * m; }

}  // namespace

bool convertsPerPixel(AVPixelFormat format, int codedHeight) {
    switch (format) {
        case AV_PIX_FMT_YUV420P:
        case AV_PIX_FMT_YUV422P:
        case AV_PIX_FMT_YUVJ420P:  // swscale treats these as the formats above
        case AV_PIX_FMT_YUVJ422P:  // with full range
            return codedHeight > 0 && codedHeight % 2 == 0;
        default:
            return false;
    }
}

cv::Rect convertedRectFor(const cv::Rect& wanted, cv::Size coded) {
    // The size depends only on the wanted size (away from the right and
    // bottom edges), so a view of steady size reuses one swscale context.
    const int x0 = roundDown(wanted.x, kSimdRun);
    const int y0 = roundDown(wanted.y, 2);
    const int x1 = std::min(x0 + roundUp(wanted.width, kSimdRun) + kSimdRun, coded.width);
    const int y1 = std::min(y0 + roundUp(wanted.height, 2) + 2, coded.height);
    return {x0, y0, x1 - x0, y1 - y0};
}

void prepareBgrBuffer(BgrBuffer& buffer, int rows, int cols) {
    const int storageCols = roundUp(cols, kSimdRun) + kSimdRun;
    buffer.view.release();  // so the count below is only other holders
    const bool shared = buffer.storage.u != nullptr && buffer.storage.u->refcount > 1;
    if (shared || buffer.storage.rows < rows || buffer.storage.cols < storageCols) {
        buffer.storage.release();
        buffer.storage.create(rows, storageCols, CV_8UC3);
    }
    buffer.view = buffer.storage(cv::Rect(0, 0, cols, rows));
}

bool BgrConverter::convertWhole(const AVFrame& frame, cv::Size coded, BgrBuffer& out) {
    if (!whole_) {
        const auto format = static_cast<AVPixelFormat>(frame.format);
        whole_.reset(sws_getCachedContext(nullptr, coded.width, coded.height, format, coded.width,
                                          coded.height, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr,
                                          nullptr, nullptr));
        if (!whole_) {
            return false;
        }
        wholeFormat_ = format;
        wholeSize_ = coded;
    }
    prepareBgrBuffer(out, wholeSize_.height, wholeSize_.width);
    uint8_t* dst[4] = {out.view.data, nullptr, nullptr, nullptr};
    int dstStride[4] = {static_cast<int>(out.view.step[0]), 0, 0, 0};
    // OpenCV ignores the result; a failed conversion leaves its old pixels.
    sws_scale(whole_.get(), frame.data, frame.linesize, 0, wholeSize_.height, dst, dstStride);
    return true;
}

bool BgrConverter::convertPart(const AVFrame& frame, const cv::Rect& part, BgrBuffer& out) {
    const auto format = static_cast<AVPixelFormat>(frame.format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    if (desc == nullptr || part.width <= 0 || part.height <= 0) {
        return false;
    }
    SwsContext* cached = sws_getCachedContext(part_.release(), part.width, part.height, format,
                                              part.width, part.height, AV_PIX_FMT_BGR24,
                                              SWS_BICUBIC, nullptr, nullptr, nullptr);
    part_.reset(cached);
    if (!part_) {
        return false;
    }
    const uint8_t* src[4] = {nullptr, nullptr, nullptr, nullptr};
    int srcStride[4] = {0, 0, 0, 0};
    for (int plane = 0; plane < 3; ++plane) {
        const int xShift = plane == 0 ? 0 : desc->log2_chroma_w;
        const int yShift = plane == 0 ? 0 : desc->log2_chroma_h;
        src[plane] = frame.data[plane] +
                     static_cast<ptrdiff_t>(part.y >> yShift) * frame.linesize[plane] +
                     (part.x >> xShift);
        srcStride[plane] = frame.linesize[plane];
    }
    prepareBgrBuffer(out, part.height, part.width);
    uint8_t* dst[4] = {out.view.data, nullptr, nullptr, nullptr};
    int dstStride[4] = {static_cast<int>(out.view.step[0]), 0, 0, 0};
    return sws_scale(part_.get(), src, srcStride, 0, part.height, dst, dstStride) == part.height;
}

}  // namespace camdrift
