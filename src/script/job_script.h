// The parsed job script and its keyframe records.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace camdrift {

struct Keyframe {
    int32_t frame = 0;
    int32_t zoom = 0;
    int32_t centerX = 0;
    int32_t centerY = 0;
    int32_t transition = 0;

    bool operator==(const Keyframe& other) const {
        return frame == other.frame && zoom == other.zoom && centerX == other.centerX &&
               centerY == other.centerY && transition == other.transition;
    }
    bool operator!=(const Keyframe& other) const { return !(*this == other); }
};

// Bytes of the codec line as the writer sees them. Before line 5 is read it
// holds "XVID" and zeros, and bytes past the converted line keep that content.
using CodecCode = std::array<unsigned char, 100>;

inline CodecCode defaultCodecCode() {
    CodecCode code{};
    code[0] = 'X';
    code[1] = 'V';
    code[2] = 'I';
    code[3] = 'D';
    return code;
}

// The shape of the rectangle a view keeps: the source frame's (scaled to
// the output size, stretched when the two differ) or the output's, a window
// that pans across the frame. Chosen by a setting on line 1.
enum class CropShape { Source, Output };

struct JobScript {
    std::u16string inputPath;   // line 2, line end removed
    std::u16string outputPath;  // line 3, line end removed
    std::u16string muxerPath;   // line 4, line end removed; empty means no remux
    CodecCode codecCode = defaultCodecCode();
    double transitionSeconds = 0.0;
    int32_t outputWidth = 0;    // 0 when line 7 doesn't scan
    int32_t outputHeight = 0;   // 0 when line 8 doesn't scan
    std::vector<Keyframe> keyframes;  // the accepted records, in file order
    CropShape cropShape = CropShape::Source;  // `crop=output` on line 1 for the output's
};

}  // namespace camdrift
