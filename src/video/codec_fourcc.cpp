#include "video/codec_fourcc.h"

#include <cstdint>

namespace camdrift {

int fourccOf(const CodecCode& code) {
    uint32_t packed = 0;
    for (int i = 3; i >= 0; --i) {
        packed = (packed << 8) | static_cast<uint8_t>(code[static_cast<size_t>(i)]);
    }
    return static_cast<int>(packed);
}

}  // namespace camdrift
