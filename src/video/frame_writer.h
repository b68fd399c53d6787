// Where the run's output frames go, one after another, in the output size.
#pragma once

#include <memory>
#include <opencv2/core.hpp>

namespace camdrift {

class FrameWriter {
public:
    // What a writer makes of a frame before the frame's turn to be written;
    // each writer has its own kind, and writers that do nothing ahead none.
    class Ahead {
    public:
        virtual ~Ahead() = default;
    };

    virtual ~FrameWriter() = default;

    // The work on a frame that needn't wait for the frames before it (the
    // libav writer converts it to its encoder's pixel format), called for
    // every frame in order, on the thread that makes the frames, before
    // write(). `ahead` stays with the frame's buffer, so it is reused. False
    // when the frame can't be prepared: writing it must then fail.
    virtual bool prepare(const cv::Mat& frame, std::unique_ptr<Ahead>& ahead) {
        (void)frame;
        (void)ahead;
        return true;
    }

    // Appends one 8-bit BGR frame of the output size, with what prepare()
    // made of it. False when it could not be written (a full disk, a size
    // limit): the file is then incomplete. A writer that can't tell always
    // says true.
    virtual bool write(const cv::Mat& frame, Ahead* ahead) = 0;

    // Completes the file, so it plays with the frames written so far. False
    // when that failed or an earlier write had; later calls say the same.
    virtual bool close() = 0;
};

}  // namespace camdrift
