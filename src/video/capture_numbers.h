// The numbers OpenCV 4.6's FFmpeg capture reports (fps, frame count, rotation),
// computed from the stream's fields with OpenCV's own formulas so the doubles
// come out bit for bit the same.
#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/rational.h>
}

namespace camdrift {

// The fields of a demuxed video stream that the numbers depend on.
struct StreamTiming {
    AVRational avgFrameRate{0, 1};
    AVRational timeBase{0, 1};
    int64_t nbFrames = 0;           // AVStream::nb_frames, 0 when the container doesn't say
    int64_t streamDuration = 0;     // AVStream::duration in timeBase units (may be AV_NOPTS_VALUE)
    int64_t containerDuration = 0;  // AVFormatContext::duration in AV_TIME_BASE units (may be AV_NOPTS_VALUE)
};

// num/den as a double, 0 when either is 0 (OpenCV's r2d).
double rationalToDouble(AVRational r);

// avg_frame_rate, or 1/time_base when that is below 0.000025; infinite when
// the time base is 0 too, exactly as OpenCV reports it.
double captureFps(const StreamTiming& t);

// The container's duration in seconds, or the stream's when the container's
// is below 0.000025 (which includes an unknown one).
double captureDurationSec(const StreamTiming& t);

// nb_frames, or floor(duration * fps + 0.5) when the container doesn't say.
// Negative or huge values pass through as OpenCV computes them.
int64_t captureFrameCount(const StreamTiming& t);

// OpenCV's angle: cvRound of the display matrix's rotation, plus 360 when
// negative; 0 without a matrix. Not limited to multiples of 90.
int captureRotation(const int32_t* displayMatrix);

}  // namespace camdrift
