#include "studio/png_writer.h"

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace camdrift {

namespace {

constexpr unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr unsigned char kFilterUp = 2;

void put32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xff);
    }
}

// Ends the chunk whose length field starts at `start`: its length, then the
// CRC of its type and data.
void closeChunk(std::string& out, size_t start) {
    const size_t dataSize = out.size() - start - 8;
    for (int i = 0; i < 4; ++i) {
        out[start + static_cast<size_t>(i)] = static_cast<char>((dataSize >> (24 - 8 * i)) & 0xff);
    }
    const uLong crc = crc32_z(crc32_z(0, Z_NULL, 0),
                              reinterpret_cast<const Bytef*>(out.data() + start + 4), dataSize + 4);
    put32(out, static_cast<uint32_t>(crc));
}

size_t openChunk(std::string& out, const char* type) {
    const size_t start = out.size();
    put32(out, 0);
    out.append(type, 4);
    return start;
}

class Deflater {
public:
    Deflater() { ok_ = deflateInit(&stream_, Z_BEST_SPEED) == Z_OK; }
    ~Deflater() {
        if (ok_) deflateEnd(&stream_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Compresses `in` onto the end of `out`; with `finish`, ends the stream.
    bool add(const std::vector<unsigned char>& in, bool finish, std::string& out) {
        if (!ok_) return false;
        stream_.next_in = const_cast<Bytef*>(in.data());
        stream_.avail_in = static_cast<uInt>(in.size());
        const int flush = finish ? Z_FINISH : Z_NO_FLUSH;
        for (;;) {
            const size_t before = out.size();
            const size_t room = deflateBound(&stream_, stream_.avail_in) + 64;
            out.resize(before + room);
            stream_.next_out = reinterpret_cast<Bytef*>(&out[before]);
            stream_.avail_out = static_cast<uInt>(room);
            const int result = deflate(&stream_, flush);
            out.resize(out.size() - stream_.avail_out);
            if (result == Z_STREAM_ERROR) return false;
            if (finish ? result == Z_STREAM_END : stream_.avail_in == 0) return true;
        }
    }

private:
    z_stream stream_{};
    bool ok_ = false;
};

}  // namespace

std::string encodePng(const cv::Mat& bgr) {
    if (bgr.type() != CV_8UC3 || bgr.empty()) return "";
    const size_t width = static_cast<size_t>(bgr.cols);
    std::string out(reinterpret_cast<const char*>(kSignature), sizeof kSignature);
    const size_t header = openChunk(out, "IHDR");
    put32(out, static_cast<uint32_t>(bgr.cols));
    put32(out, static_cast<uint32_t>(bgr.rows));
    out += static_cast<char>(8);  // bits per sample
    out += static_cast<char>(2);  // RGB
    out.append(3, '\0');          // deflate, adaptive filtering, no interlace
    closeChunk(out, header);

    const size_t data = openChunk(out, "IDAT");
    Deflater deflater;
    std::vector<unsigned char> filtered(1 + 3 * width);
    filtered[0] = kFilterUp;
    std::vector<unsigned char> zeros(3 * width, 0);
    for (int y = 0; y < bgr.rows; ++y) {
        const unsigned char* row = bgr.ptr<unsigned char>(y);
        const unsigned char* above = y > 0 ? bgr.ptr<unsigned char>(y - 1) : zeros.data();
        // Each sample less the one above it, in PNG's order: red, green, blue.
        for (size_t x = 0; x < 3 * width; x += 3) {
            filtered[1 + x] = static_cast<unsigned char>(row[x + 2] - above[x + 2]);
            filtered[2 + x] = static_cast<unsigned char>(row[x + 1] - above[x + 1]);
            filtered[3 + x] = static_cast<unsigned char>(row[x] - above[x]);
        }
        if (!deflater.add(filtered, y + 1 == bgr.rows, out)) return "";
    }
    closeChunk(out, data);
    closeChunk(out, openChunk(out, "IEND"));
    return out;
}

}  // namespace camdrift
