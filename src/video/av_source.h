// A video source read directly with libav, opened, decoded and converted
// exactly as OpenCV 4.6's FFmpeg capture does, so its frames and numbers are
// the same bytes and doubles as cv::VideoCapture's (with OpenCV's own
// auto-rotation off and frames turned upright here instead).
#pragma once

#include <cstdint>
#include <memory>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "video/av_handles.h"
#include "video/bgr_convert.h"
#include "video/read_deadline.h"

namespace camdrift {

struct AvSourceOptions {
    // Decoder threads; 0 means OpenCV's choice, the number of online CPUs.
    // Another count gives the same pixels for intact files but may deliver a
    // different number of frames from a damaged one (frame threads report a
    // broken packet later).
    int decodeThreads = 0;
};

class AvSource {
public:
    // nullptr when the file can't be opened (OpenCV's capture fails too) or
    // when OPENCV_FFMPEG_CAPTURE_OPTIONS is set, since those options change
    // how OpenCV opens and this reader doesn't follow them; `why` says which.
    static std::unique_ptr<AvSource> open(const std::string& path, std::string* why = nullptr,
                                          const AvSourceOptions& options = {});

    ~AvSource();
    AvSource(const AvSource&) = delete;
    AvSource& operator=(const AvSource&) = delete;

    // Upright size: OpenCV's CAP_PROP_FRAME_WIDTH/HEIGHT with auto-rotation
    // off, swapped for 90 and 270.
    double width() const;
    double height() const;
    // The upright size of the frames retrieve() delivers: the stream's own
    // size, which width() and height() report only once a frame was
    // retrieved (before, they tell the decoder's size at open, as OpenCV does).
    cv::Size retrievedSize() const;
    // OpenCV's CAP_PROP_FPS and CAP_PROP_FRAME_COUNT, the same doubles.
    double fps() const;
    double frameCount() const;
    // OpenCV's CAP_PROP_ORIENTATION_META: 0, 90, 180, 270, or another angle,
    // in which case frames stay as decoded.
    int rotation() const { return rotation_; }

    // Decodes the next frame; false exactly when OpenCV's grab is false.
    bool grab();

    // The whole upright BGR frame. Unturned frames are a view into this
    // reader's buffer, valid until the next retrieve (if `out` is still held
    // then, a new buffer is used and `out` stays intact). False before the
    // first grab, after a failed one, or when swscale refuses the format.
    bool retrieve(cv::Mat& out);

    // The pixels of `upright` (inside width() x height(), non-empty) of the
    // whole upright frame, converting only the part needed when that gives
    // the same bytes. False for a rectangle outside the frame or as retrieve.
    bool retrieveRegion(const cv::Rect& upright, cv::Mat& out);

    // Makes the next grab deliver frame `frameIndex` (0-based) of a
    // sequential read: seeks to the keyframe before it by timestamp and
    // decodes forward, skipping the frames shown before it that no other
    // frame refers to (the decoder's AVDISCARD_NONREF). False when the index
    // is out of range or the stream's timestamps can't place it; the
    // position is then unspecified.
    bool seek(int64_t frameIndex);

    // Whether seek can place frames at all: the stream's timestamps tell
    // every frame apart. Lists them on first use, as the first seek would.
    bool seekable();

    // Decoder threads in use.
    int decodeThreads() const;

    // True when retrieveRegion on the current frame converts only the part
    // it needs (else it converts the whole frame, as retrieve does).
    bool regionConvertsPart() const;

private:
    AvSource() = default;
    bool receiveAndCount();
    bool decodeOne();
    bool frameReady() const;
    cv::Size codedSize() const;
    cv::Size frameSize() const;  // OpenCV's frame.width/height, unturned
    bool ensureWhole();
    bool partEligible() const;
    bool buildPtsIndex();
    bool decodeFromKeyframeTo(int64_t target, int64_t frameIndex);

    std::string path_;
    ReadDeadline deadline_;  // before ic_: its callback must outlive the demuxer
    av::InputPtr ic_;
    av::CodecPtr codec_;
    av::FramePtr picture_;
    av::PacketPtr packet_;
    AVStream* stream_ = nullptr;
    int streamIndex_ = -1;
    int rotation_ = 0;
    int64_t frameNumber_ = 0;
    cv::Size openFrameSize_;      // the codec's size at open, until the first retrieve
    bool retrievedOnce_ = false;  // then OpenCV reports the stream's own size

    BgrConverter converter_;
    BgrBuffer wholeBuffer_;
    BgrBuffer partBuffer_;
    cv::Mat wholeUpright_;
    cv::Mat partUpright_;  // the converted part turned upright, when turned
    bool wholeReady_ = false;

    // Seeking: every frame's timestamp in presentation order, made on the
    // first seek from the packets' timestamps.
    std::vector<int64_t> ptsIndex_;
    bool ptsIndexBuilt_ = false;
    bool ptsIndexUsable_ = false;
    bool pendingFrame_ = false;  // a frame found by seek waits for the next grab
    // While seek decodes its way to a frame: packets shown before this
    // timestamp are sent with AVDISCARD_NONREF. AV_NOPTS_VALUE otherwise, and
    // the decoder's skip_frame is never touched.
    int64_t skipUnreferencedBefore_ = AV_NOPTS_VALUE;
};

}  // namespace camdrift
