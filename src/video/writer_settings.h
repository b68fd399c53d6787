// The encoder numbers OpenCV 4.6's FFmpeg writer derives from the frame rate
// and size: the time base, the bit rate and its tolerance.
#pragma once

#include <cstdint>
#include <optional>

extern "C" {
#include <libavutil/rational.h>
}

namespace camdrift {

// OpenCV's decimal time base: fps*10^k rounded, for the smallest k whose
// ratio is within 0.001 of fps; returns {rate, base} (time base base/rate).
// nullopt when the loop would overflow an int (a rate OpenCV itself can't
// represent), or for a non-positive or non-finite fps.
std::optional<AVRational> openCvFrameRate(double fps);

// The closest rate of a codec's list of supported ones (zero-terminated), as
// OpenCV picks it; nullopt for an empty list.
std::optional<AVRational> closestSupportedRate(AVRational wanted, const AVRational* supported);

// min(scale * fps * width * height, INT_MAX / 2): OpenCV's bit rate basis.
double openCvBitrateBasis(double scale, double fps, int width, int height);

struct EncoderRates {
    int64_t bitRate = 0;
    int tolerance = 0;
};

// The encoder's bit rate and tolerance after both of OpenCV's additions;
// `h264` when the codec is H.264, whose rate OpenCV first zeroes.
EncoderRates openCvEncoderRates(double basis, bool h264);

}  // namespace camdrift
