#include "preview/frame_grab.h"

#include <opencv2/videoio.hpp>

#include "video/upright_frame.h"
#include "video/video_open.h"

namespace camdrift {
namespace {

class FrameGrabber {
public:
    explicit FrameGrabber(const std::string& path) : path_(path) { reopen(); }

    cv::Mat frameAt(int32_t frame) {
        if (seeking_ && frame != next_) {
            cv::Mat image = seekAndRead(frame);
            if (!image.empty()) return image;
            // The container can't seek (or not exactly): from here on, read forward.
            seeking_ = false;
            reopen();
        }
        return readForwardTo(frame);
    }

private:
    void reopen() {
        capture_.release();
        openSource(capture_, path_);
        next_ = 0;
    }

    // The position after the read tells whether the seek landed where asked.
    cv::Mat seekAndRead(int32_t frame) {
        cv::Mat image;
        if (!capture_.set(cv::CAP_PROP_POS_FRAMES, frame)) return image;
        if (!capture_.read(image) || image.empty()) return cv::Mat();
        if (capture_.get(cv::CAP_PROP_POS_FRAMES) != static_cast<double>(frame) + 1.0) {
            return cv::Mat();
        }
        next_ = int64_t{frame} + 1;
        return image;
    }

    cv::Mat readForwardTo(int32_t frame) {
        if (frame < next_) reopen();
        cv::Mat image;
        for (; next_ < frame; ++next_) {
            if (!capture_.grab()) return image;
        }
        if (!capture_.read(image) || image.empty()) return cv::Mat();
        ++next_;
        return image;
    }

    std::string path_;
    cv::VideoCapture capture_;
    int64_t next_ = 0;  // the frame the next read delivers
    bool seeking_ = true;
};

}  // namespace

std::vector<cv::Mat> grabFrames(const std::string& path, const std::vector<int32_t>& frames,
                                int rotation) {
    FrameGrabber grabber(path);
    std::vector<cv::Mat> images;
    images.reserve(frames.size());
    for (int32_t frame : frames) {
        cv::Mat upright;
        turnUpright(grabber.frameAt(frame), rotation, upright);
        images.push_back(upright);
    }
    return images;
}

}  // namespace camdrift
