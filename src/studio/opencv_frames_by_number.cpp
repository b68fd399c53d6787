// FramesByNumber over cv::VideoCapture, opened and turned upright exactly as a
// run does. OpenCV's seek can land beside the frame asked for in some
// containers, so seeking is trusted only after it matched a sequential read,
// and every seek is checked again; otherwise frames are read forward.
#include <algorithm>
#include <opencv2/videoio.hpp>

#include "studio/frames_by_number.h"
#include "video/upright_frame.h"
#include "video/video_open.h"

namespace camdrift {
namespace {

// A jump this far ahead is read forward. OpenCV's seek lands on the key
// frame before the target minus 16 frames and decodes from there, often a
// whole group of pictures more than needed, so up to a second and a half
// of frames (at least 12) are cheaper to decode without converting them.
constexpr double kReadAheadSeconds = 1.5;
constexpr int64_t kLeastReadAhead = 12;
// The frame the seek test compares: past the first second, so the seek has
// to find a later key frame, yet cheap to reach by reading.
constexpr double kSeekTestSeconds = 2.0;

bool sameImage(const cv::Mat& a, const cv::Mat& b) {
    if (a.empty() || b.empty() || a.size() != b.size() || a.type() != b.type()) return false;
    return cv::norm(a, b, cv::NORM_INF) == 0.0;
}

class OpenCvFramesByNumber : public FramesByNumber {
public:
    explicit OpenCvFramesByNumber(const std::string& path) : path_(path) {}

    bool open() {
        if (!reopen()) return false;
        info_ = readSourceInfo(capture_);
        if (info_.fps > 0.0 && info_.fps < 1000.0) {
            readAhead_ = std::max(kLeastReadAhead,
                                  static_cast<int64_t>(info_.fps * kReadAheadSeconds));
        }
        seeking_ = seekMatchesSequentialRead();
        return reopen();
    }

    SourceInfo info() const override { return info_; }

    bool frameAt(int32_t n, cv::Mat& uprightBgr) override {
        if (n < 0) return false;
        cv::Mat decoded;
        const bool got = n >= next_ && n - next_ <= readAhead_ ? readForwardTo(n, decoded)
                                                               : jumpTo(n, decoded);
        if (!got) return false;
        turnUpright(decoded, info_.rotation, uprightBgr);
        return true;
    }

private:
    bool reopen() {
        capture_.release();
        next_ = 0;
        return openSource(capture_, path_);
    }

    bool jumpTo(int32_t n, cv::Mat& decoded) {
        if (seeking_) {
            if (seekAndRead(n, decoded)) return true;
            // This container can't seek exactly: read forward from now on.
            seeking_ = false;
        }
        if (n < next_ && !reopen()) return false;
        return readForwardTo(n, decoded);
    }

    // The position after the read tells whether the seek landed where asked.
    bool seekAndRead(int32_t n, cv::Mat& decoded) {
        if (!capture_.set(cv::CAP_PROP_POS_FRAMES, n)) return false;
        if (!capture_.read(decoded) || decoded.empty()) return false;
        if (capture_.get(cv::CAP_PROP_POS_FRAMES) != static_cast<double>(n) + 1.0) return false;
        next_ = int64_t{n} + 1;
        return true;
    }

    bool readForwardTo(int32_t n, cv::Mat& decoded) {
        for (; next_ < n; ++next_) {
            if (!capture_.grab()) return false;
        }
        if (!capture_.read(decoded) || decoded.empty()) return false;
        ++next_;
        return true;
    }

    // Reads up to the test frame, then seeks back to it and to frame 1 and
    // compares the pixels.
    bool seekMatchesSequentialRead() {
        const int64_t last = int64_t{info_.frameCount} - 1;
        const double fps = info_.fps > 0.0 ? info_.fps : 25.0;
        const int32_t probe = static_cast<int32_t>(std::min<int64_t>(
            last, static_cast<int64_t>(fps * kSeekTestSeconds) + 1));
        if (probe < 2) return true;  // too short to need seeking
        cv::Mat first;
        cv::Mat target;
        if (!readForwardTo(1, first) || !readForwardTo(probe, target)) return false;
        first = first.clone();
        target = target.clone();
        cv::Mat seeked;
        if (!seekAndRead(probe, seeked) || !sameImage(seeked, target)) return false;
        return seekAndRead(1, seeked) && sameImage(seeked, first);
    }

    std::string path_;
    cv::VideoCapture capture_;
    SourceInfo info_;
    int64_t next_ = 0;  // the frame the next read delivers
    int64_t readAhead_ = kLeastReadAhead;
    bool seeking_ = false;
};

}  // namespace

std::unique_ptr<FramesByNumber> openFramesByNumber(const std::string& path) {
    auto source = std::make_unique<OpenCvFramesByNumber>(path);
    if (!source->open()) return nullptr;
    return source;
}

}  // namespace camdrift
