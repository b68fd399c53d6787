#include "video/writer_settings.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace camdrift {

std::optional<AVRational> openCvFrameRate(double fps) {
    if (!(fps > 0) || !std::isfinite(fps)) {
        return std::nullopt;
    }
    const auto fits = [](double v) { return v < static_cast<double>(INT_MAX); };
    if (!fits(fps + 0.5)) {
        return std::nullopt;
    }
    int rate = static_cast<int>(fps + 0.5);
    int base = 1;
    while (std::fabs(static_cast<double>(rate) / base - fps) > 0.001) {
        if (base > INT_MAX / 10 || !fits(fps * base * 10 + 0.5)) {
            return std::nullopt;
        }
        base *= 10;
        rate = static_cast<int>(fps * base + 0.5);
    }
    return AVRational{rate, base};
}

std::optional<AVRational> closestSupportedRate(AVRational wanted, const AVRational* supported) {
    const AVRational* best = nullptr;
    AVRational bestError{INT_MAX, 1};
    for (const AVRational* p = supported; p != nullptr && p->den != 0; ++p) {
        AVRational error = av_sub_q(wanted, *p);
        if (error.num < 0) {
            error.num *= -1;
        }
        if (av_cmp_q(error, bestError) < 0) {
            bestError = error;
            best = p;
        }
    }
    if (best == nullptr) {
        return std::nullopt;
    }
    return *best;
}

double openCvBitrateBasis(double scale, double fps, int width, int height) {
    return std::min(scale * fps * width * height, static_cast<double>(INT_MAX) / 2);
}

EncoderRates openCvEncoderRates(double basis, bool h264) {
    // First, when the stream is configured, from the basis rounded to an int.
    const int rounded = static_cast<int>(basis + 0.5);
    int64_t rate = std::min(static_cast<int64_t>(rounded) + rounded / 2, static_cast<int64_t>(INT_MAX));
    if (h264) {
        rate = 0;  // OpenCV asks libx264 for crf 23 instead, but still adds below
    }
    // Then once more, before the encoder opens, from the unrounded basis.
    rate = std::min(rate + static_cast<int64_t>(basis / 2), static_cast<int64_t>(INT_MAX));
    EncoderRates r;
    r.tolerance = static_cast<int>(rate);
    r.bitRate = static_cast<int>(rate);
    return r;
}

}  // namespace camdrift
