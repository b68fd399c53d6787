// The small test videos of many kinds that the reader tests and the run's
// differential tests share. Each is made by the ffmpeg tool on first use
// into the build tree's test cache, which later test processes reuse (ctest
// runs every test in a process of its own).
#pragma once

#include <string>

namespace testing_support {

// The path of the named source, made if needed; empty when this ffmpeg
// can't make it (hevc_10bit.mkv needs libx265). Names:
//   mpeg4_xvid.avi, mpeg4_bframes.avi     96x64, 24 frames, 25 fps
//   h264_bframes.mp4                      96x64, 24 frames, B-frames
//   mpeg4_bframes.mp4                     96x64, 24 frames, B-frames with timestamps
//   h264_coded_larger.mp4                 100x58 (coded 112x64), 15 frames, 29.97 fps
//   mjpeg.avi                             96x64 yuvj420p, 24 frames
//   ffv1_odd_height.mkv                   95x63 4:2:0, 12 frames, 24 fps
//   ffv1_422_odd_width.avi, ffv1_444.mkv  97x64 4:2:2, 95x63 4:4:4
//   hevc_10bit.mkv                        96x64 yuv420p10le, 24 frames
//   rotated_90.mp4, rotated_180.mp4, rotated_270.mp4, mjpeg_rotated_90.mov
//   phone_90_aac.mp4                      a phone clip: 128x72 stored, shown 72x128
//                                         (rotate=90), 30 fps, 20 frames, AAC sound
//   one_frame.mp4                         96x64 H.264, 1 frame
//   claims_more.avi, claims_fewer.avi     24 frames, headers claiming 40 and 9
//   truncated.avi, truncated.mp4          24 frames cut to 60 % of the file
std::string testSource(const std::string& name);

}  // namespace testing_support
