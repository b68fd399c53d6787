// libav's log level as OpenCV's FFmpeg backend sets it, so the console shows
// the same libav messages whichever of the two reads or writes.
#pragma once

namespace camdrift {

// AV_LOG_ERROR, unless OPENCV_FFMPEG_DEBUG or OPENCV_FFMPEG_LOGLEVEL is set
// (then OpenCV would print libav's log its own way; the level is left alone).
void applyOpenCvAvLogLevel();

}  // namespace camdrift
