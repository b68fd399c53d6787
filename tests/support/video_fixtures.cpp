#include "video_fixtures.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <opencv2/imgproc.hpp>

#include "test_support.h"

namespace testing_support {

bool ffmpeg(const std::string& args) {
    const std::string command = "ffmpeg -nostdin -loglevel error -y " + args + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

bool hasEncoder(const std::string& name) {
    const std::string command =
        "ffmpeg -hide_banner -encoders 2>/dev/null | grep -q ' " + name + " '";
    return std::system(command.c_str()) == 0;
}

void truncateFile(const std::string& path, size_t bytes) {
    if (::truncate(path.c_str(), static_cast<off_t>(bytes)) != 0) {
        throw std::runtime_error("can't truncate " + path);
    }
}

namespace {

void putLe32(std::string& bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xff);
    }
}

}  // namespace

bool setAviFrameCount(const std::string& path, uint32_t frames) {
    std::string bytes = readFile(path);
    const size_t avih = bytes.find("avih");
    const size_t strh = bytes.find("strh");
    if (avih == std::string::npos || strh == std::string::npos || strh + 40 > bytes.size()) {
        return false;
    }
    putLe32(bytes, avih + 8 + 16, frames);  // dwTotalFrames
    putLe32(bytes, strh + 8 + 32, frames);  // dwLength
    writeFile(path, bytes);
    return true;
}

OpenCvReading readWithOpenCv(const std::string& path, size_t maxFrames) {
    OpenCvReading r;
    cv::VideoCapture cap;
    if (!cap.open(path, cv::CAP_FFMPEG)) {
        return r;
    }
    r.opened = true;
    cap.set(cv::CAP_PROP_ORIENTATION_AUTO, 0);
    r.width = cap.get(cv::CAP_PROP_FRAME_WIDTH);
    r.height = cap.get(cv::CAP_PROP_FRAME_HEIGHT);
    r.fps = cap.get(cv::CAP_PROP_FPS);
    r.frameCount = cap.get(cv::CAP_PROP_FRAME_COUNT);
    r.rotation = cap.get(cv::CAP_PROP_ORIENTATION_META);
    cv::Mat frame;
    while (r.frames.size() < maxFrames && cap.read(frame)) {
        r.frames.push_back(frame.clone());
    }
    r.grabAfterEnd = r.frames.size() < maxFrames && cap.grab();
    return r;
}

namespace {

// An EBML variable-length number at `at`: its length from the leading zero
// bits of the first byte (1 to 8), its value with (size) or without (ID) the
// marker bit; false past the end or for a first byte of zero.
bool readVint(const std::string& bytes, size_t at, bool keepMarker, size_t* length,
              uint64_t* value) {
    if (at >= bytes.size()) return false;
    const auto first = static_cast<unsigned char>(bytes[at]);
    size_t n = 1;
    while (n <= 8 && (first & (0x80u >> (n - 1))) == 0) ++n;
    if (n > 8 || at + n > bytes.size()) return false;
    uint64_t v = keepMarker ? first : (first & (0xffu >> n));
    for (size_t i = 1; i < n; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    *length = n;
    *value = v;
    return true;
}

void blankUids(std::string& bytes, size_t begin, size_t end) {
    // Masters to walk into: Segment, SeekHead, Info, Tracks, TrackEntry,
    // Cues, Tags, Tag, Targets, Cluster.
    const uint64_t masters[] = {0x18538067, 0x114D9B74, 0x1549A966, 0x1654AE6B, 0xAE,
                                0x1C53BB6B, 0x1254C367, 0x7373, 0x63C0, 0x1F43B675};
    // SegmentUID, TrackUID, TagTrackUID, CRC-32.
    const uint64_t varying[] = {0x73A4, 0x73C5, 0x63C5, 0xBF};
    size_t at = begin;
    while (at < end) {
        size_t idLength = 0, sizeLength = 0;
        uint64_t id = 0, size = 0;
        if (!readVint(bytes, at, true, &idLength, &id) ||
            !readVint(bytes, at + idLength, false, &sizeLength, &size)) {
            return;
        }
        const size_t data = at + idLength + sizeLength;
        if (size > end - std::min(end, data)) return;  // unknown or overlong size
        const size_t dataEnd = data + static_cast<size_t>(size);
        if (std::find(std::begin(masters), std::end(masters), id) != std::end(masters)) {
            blankUids(bytes, data, dataEnd);
        } else if (std::find(std::begin(varying), std::end(varying), id) != std::end(varying)) {
            std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(data),
                      bytes.begin() + static_cast<std::ptrdiff_t>(dataEnd), '\0');
        }
        at = dataEnd;
    }
}

}  // namespace

std::string withoutMatroskaUids(std::string bytes) {
    blankUids(bytes, 0, bytes.size());
    return bytes;
}

bool sameImage(const cv::Mat& a, const cv::Mat& b) {
    if (a.size() != b.size() || a.type() != b.type()) {
        return false;
    }
    for (int y = 0; y < a.rows; ++y) {
        if (std::memcmp(a.ptr(y), b.ptr(y), a.elemSize() * static_cast<size_t>(a.cols)) != 0) {
            return false;
        }
    }
    return true;
}

cv::Mat writerTestFrame(cv::Size size, int index) {
    cv::Mat frame(size, CV_8UC3);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            frame.at<cv::Vec3b>(y, x) = cv::Vec3b(static_cast<uchar>((x * 5 + index * 7) & 255),
                                                  static_cast<uchar>((y * 9 + index * 3) & 255),
                                                  static_cast<uchar>(((x ^ y) * 3 + index) & 255));
        }
    }
    cv::circle(frame, cv::Point((index * 5) % std::max(size.width, 1), size.height / 2),
               std::max(2, size.height / 4), cv::Scalar(20, 220, 90), -1);
    return frame;
}

}  // namespace testing_support
