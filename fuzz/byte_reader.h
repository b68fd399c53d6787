// Takes typed values off the front of a fuzz input. Past the end every value
// reads as zero bytes, so any input length builds a whole case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace camdrift_fuzz {

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }

    // Little-endian; each byte is taken in its own statement, in order.
    uint16_t u16() {
        const unsigned low = byte();
        const unsigned high = byte();
        return static_cast<uint16_t>(low | (high << 8));
    }

    uint32_t u32() {
        const uint32_t low = u16();
        const uint32_t high = u16();
        return low | (high << 16);
    }

    // Mostly small values around the percent and frame ranges, sometimes any
    // 32-bit value, so both the usual paths and the extremes are reached.
    int32_t int32() {
        if (byte() % 4 == 0) return static_cast<int32_t>(u32());
        return static_cast<int16_t>(u16());
    }

    // NaN, both infinities, any bit pattern, or a plain value in hundredths.
    double real() {
        switch (byte() % 6) {
            case 0: return std::numeric_limits<double>::quiet_NaN();
            case 1: return std::numeric_limits<double>::infinity();
            case 2: return -std::numeric_limits<double>::infinity();
            case 3: {
                const uint64_t low = u32();
                const uint64_t high = u32();
                const uint64_t bits = low | (high << 32);
                double value;
                std::memcpy(&value, &bits, sizeof value);
                return value;
            }
            default: return static_cast<int16_t>(u16()) / 100.0;
        }
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace camdrift_fuzz
