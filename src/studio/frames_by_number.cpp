#include "studio/frames_by_number.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "video/frame_io_open.h"

namespace camdrift {

namespace {

// A jump this far ahead is read forward: frames on the way are decoded but
// never converted, while a seek flushes the decoder and decodes from the
// keyframe before the target, half a group of pictures back on average.
constexpr double kReadAheadSeconds = 0.5;
constexpr int64_t kLeastReadAhead = 12;

// Where a read failed, or a seek that failed left the reader: the next frame
// asked for is reached by a jump.
constexpr int64_t kPositionUnknown = std::numeric_limits<int64_t>::max();

int64_t readAheadFor(double fps) {
    if (!(fps > 0.0) || fps >= 1000.0) return kLeastReadAhead;
    return std::max(kLeastReadAhead, static_cast<int64_t>(fps * kReadAheadSeconds));
}

class LibavFrames : public FramesByNumber {
public:
    LibavFrames(std::string path, std::unique_ptr<AvSource> source)
        : path_(std::move(path)),
          source_(std::move(source)),
          info_(sourceInfoOf(*source_)),
          readAhead_(readAheadFor(info_.fps)) {}

    SourceInfo info() const override { return info_; }
    std::string reader() const override { return "libav"; }

    bool frameAt(int32_t n, cv::Mat& uprightBgr) override {
        uprightBgr.release();
        if (n < 0) return false;
        const bool shortlyAhead = n >= next_ && n - next_ <= readAhead_;
        if (!shortlyAhead && !jumpTo(n)) return lost();
        for (; next_ < n; ++next_) {
            if (!source_->grab()) return lost();
        }
        if (!source_->grab()) return lost();
        ++next_;
        // A frame the caller still holds is never refilled: the reader
        // converts the next one into a buffer of its own.
        return source_->retrieve(uprightBgr) || lost();
    }

private:
    // Makes the next grab deliver frame `n`, or a frame before it to read
    // forward from.
    bool jumpTo(int32_t n) {
        if (seeking_) {
            if (source_->seek(n)) {
                next_ = n;
                return true;
            }
            // Without timestamps that tell the frames apart, every later
            // jump reads forward too.
            seeking_ = source_->seekable();
            next_ = kPositionUnknown;
            if (seeking_ && source_->seek(0)) {
                next_ = 0;
                return true;
            }
        }
        return n >= next_ || reopen();
    }

    bool reopen() {
        next_ = 0;
        source_ = openRunAvSource(path_, nullptr);
        return source_ != nullptr;
    }

    bool lost() {
        next_ = kPositionUnknown;
        return false;
    }

    const std::string path_;
    std::unique_ptr<AvSource> source_;
    const SourceInfo info_;
    const int64_t readAhead_;
    int64_t next_ = 0;  // the frame the next grab delivers
    bool seeking_ = true;
};

// OpenCV's capture, or whatever reader a run would take, read forward only.
class ForwardFrames : public FramesByNumber {
public:
    ForwardFrames(std::string path, VideoIo io, OpenCvVideoIoLoader opencv)
        : path_(std::move(path)), io_(io), opencv_(opencv) {}

    bool open() {
        next_ = 0;
        opened_ = openFrameSource(path_, io_, opencv_);
        if (!opened_.frames) return false;
        info_ = opened_.info;
        how_ = opened_.how;
        return true;
    }

    // As the first open found them, whatever became of the source since.
    SourceInfo info() const override { return info_; }
    std::string reader() const override { return how_; }

    bool frameAt(int32_t n, cv::Mat& uprightBgr) override {
        uprightBgr.release();
        if (n < 0) return false;
        if (n < next_ && !open()) return lost();
        for (; next_ <= n; ++next_) {
            if (!opened_.frames->next()) return lost();
        }
        cv::Mat frame;
        if (!opened_.frames->region(cv::Rect({}, opened_.frames->frameSize()), frame)) {
            return lost();
        }
        // The reader refills its frame with every read.
        uprightBgr = frame.clone();
        return true;
    }

private:
    bool lost() {
        next_ = kPositionUnknown;
        return false;
    }

    const std::string path_;
    const VideoIo io_;
    const OpenCvVideoIoLoader opencv_;
    OpenedSource opened_;
    SourceInfo info_;
    std::string how_;
    int64_t next_ = 0;  // the frame the next read delivers
};

}  // namespace

std::unique_ptr<FramesByNumber> openFramesByNumber(const std::string& path, VideoIo io,
                                                   OpenCvVideoIoLoader opencv) {
    if (io == VideoIo::Libav) {
        std::unique_ptr<AvSource> source = openRunAvSource(path, nullptr);
        if (source) return std::make_unique<LibavFrames>(path, std::move(source));
    }
    auto forward = std::make_unique<ForwardFrames>(path, io, opencv);
    if (!forward->open()) return nullptr;
    return forward;
}

}  // namespace camdrift
