#include "video/capture_numbers.h"

#include <cmath>
#include <opencv2/core/fast_math.hpp>

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/display.h>
}

namespace camdrift {

namespace {

// OpenCV's eps_zero: below it a rate or duration counts as missing.
constexpr double kEpsZero = 0.000025;

}  // namespace

double rationalToDouble(AVRational r) {
    return r.num == 0 || r.den == 0 ? 0. : static_cast<double>(r.num) / static_cast<double>(r.den);
}

double captureFps(const StreamTiming& t) {
    double fps = rationalToDouble(t.avgFrameRate);
    if (fps < kEpsZero) {
        fps = 1.0 / rationalToDouble(t.timeBase);
    }
    return fps;
}

double captureDurationSec(const StreamTiming& t) {
    double sec = static_cast<double>(t.containerDuration) / static_cast<double>(AV_TIME_BASE);
    if (sec < kEpsZero) {
        sec = static_cast<double>(t.streamDuration) * rationalToDouble(t.timeBase);
    }
    return sec;
}

int64_t captureFrameCount(const StreamTiming& t) {
    int64_t frames = t.nbFrames;
    if (frames == 0) {
        // OpenCV casts straight to int64_t, which x86-64 turns into INT64_MIN
        // for a value out of range or not a number; the same result here
        // without the undefined cast.
        const double estimate = std::floor(captureDurationSec(t) * captureFps(t) + 0.5);
        if (!(estimate >= -9.2e18 && estimate <= 9.2e18)) {
            return INT64_MIN;
        }
        frames = static_cast<int64_t>(estimate);
    }
    return frames;
}

int captureRotation(const int32_t* displayMatrix) {
    if (displayMatrix == nullptr) {
        return 0;
    }
    int angle = cvRound(av_display_rotation_get(displayMatrix));
    if (angle < 0) {
        angle += 360;
    }
    return angle;
}

}  // namespace camdrift
