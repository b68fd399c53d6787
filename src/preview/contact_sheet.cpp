#include "preview/contact_sheet.h"

#include <algorithm>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include "platform/platform.h"
#include "preview/sheet_geometry.h"
#include "preview/view_plot.h"
#include "render/frame_render.h"
#include "script/utf8.h"
#include "video/upright_frame.h"
#include "video/video_open.h"

namespace camdrift {

// ---- Decoding the shown frames ----

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

// ---- Drawing the sheet ----

namespace {

struct SheetThumb {
    int32_t frame = 0;
    cv::Mat image;  // the decoded source frame (BGR); empty when it couldn't be decoded
    ViewState view;
    bool keyframe = false;
};

struct SheetContent {
    std::string title;
    cv::Size source;                  // the reported frame size
    CropShaping shaping;              // how the job's views become rectangles
    std::vector<SheetThumb> thumbs;   // in frame order
    std::vector<ViewState> views;     // every frame's view, for the plot
    std::vector<Motion> motions;      // every frame's motion, for the plot's shading
    std::vector<Keyframe> keyframes;
};

// The border lies inside `r`, so its outer pixels are the rectangle's edges.
void drawBorder(cv::Mat& image, const cv::Rect& r, const cv::Scalar& colour, int thickness) {
    const int across = std::min(thickness, r.width);
    const int down = std::min(thickness, r.height);
    cv::rectangle(image, cv::Rect(r.x, r.y, r.width, down), colour, cv::FILLED);
    cv::rectangle(image, cv::Rect(r.x, r.br().y - down, r.width, down), colour, cv::FILLED);
    cv::rectangle(image, cv::Rect(r.x, r.y, across, r.height), colour, cv::FILLED);
    cv::rectangle(image, cv::Rect(r.br().x - across, r.y, across, r.height), colour, cv::FILLED);
}

cv::Size frameSize(const SheetThumb& thumb, cv::Size reported) {
    return thumb.image.empty() ? reported : thumb.image.size();
}

// The frame scaled into `area`, darkened outside the view's rectangle.
void drawFrame(cv::Mat& area, const SheetThumb& thumb, const cv::Rect& kept) {
    if (thumb.image.empty()) {
        area.setTo(kMissingFrame);
        drawText(area, "frame not decoded", cv::Point(10, area.rows / 2), kPaper, 0.6);
        return;
    }
    cv::Mat scaled;
    cv::resize(thumb.image, scaled, area.size(), 0, 0, cv::INTER_AREA);
    cv::Mat shown;
    scaled.convertTo(shown, -1, kOutsideCropBrightness);
    scaled(kept).copyTo(shown(kept));
    shown.copyTo(area);
}

void drawThumb(cv::Mat& sheet, const cv::Rect& cell, const cv::Rect& caption,
               const SheetThumb& thumb, cv::Size reported, const CropShaping& shaping) {
    const cv::Size size = frameSize(thumb, reported);
    const cv::Rect crop = viewRect(size, thumb.view, shaping);
    const cv::Rect kept = scaleToThumb(crop, size, cell.size());
    cv::Mat area = sheet(cell);
    drawFrame(area, thumb, kept);
    drawBorder(area, kept, kCropColour, kCropBorder);

    const std::string first = platform::formatText(
        "frame %d%s", static_cast<int>(thumb.frame), thumb.keyframe ? "  (keyframe)" : "");
    const std::string second = platform::formatText(
        "zoom %.1f  x %.1f  y %.1f", thumb.view.zoom, thumb.view.centerX, thumb.view.centerY);
    const std::string third = platform::formatText("crop %d x %d at (%d, %d)", crop.width,
                                                   crop.height, crop.x, crop.y);
    drawText(sheet, first, caption.tl() + cv::Point(2, 16), kInk);
    drawText(sheet, second, caption.tl() + cv::Point(2, 34), kInk);
    drawText(sheet, third, caption.tl() + cv::Point(2, 52), kInk);
}

cv::Mat drawContactSheet(const SheetContent& content) {
    const SheetLayout layout = layoutSheet(content.thumbs.size(), content.source);
    cv::Mat sheet(layout.size, CV_8UC3, kPaper);
    drawText(sheet, content.title, layout.title.tl() + cv::Point(0, 20), kInk, 0.6);
    for (size_t i = 0; i < content.thumbs.size(); ++i) {
        drawThumb(sheet, layout.thumbs[i], layout.captions[i], content.thumbs[i], content.source,
                  content.shaping);
    }
    drawViewPlot(sheet, layout, content.views, content.motions, content.keyframes);
    return sheet;
}

}  // namespace

// ---- Making it from the job ----

namespace {

bool isKeyframeFrame(const JobScript& job, int32_t frame) {
    return std::any_of(job.keyframes.begin(), job.keyframes.end(),
                       [&](const Keyframe& k) { return k.frame == frame; });
}

}  // namespace

ContactSheet makeContactSheet(const JobScript& job, const SourceInfo& source,
                              const std::string& title) {
    const int32_t frames = std::min(source.frameCount, kMostPlottedFrames);
    SheetContent content;
    content.title = title;
    content.source = cv::Size(source.width, source.height);
    content.shaping = cropShapingOf(job);
    content.views = viewPath(job, source.fps, frames);
    content.motions = motionPath(content.views, job, source.fps);
    content.keyframes = job.keyframes;

    ContactSheet sheet;
    sheet.frames = selectSheetFrames(job.keyframes, frames);
    std::vector<cv::Mat> images =
        grabFrames(encodeUtf8(job.inputPath), sheet.frames, source.rotation);
    for (size_t i = 0; i < sheet.frames.size(); ++i) {
        const int32_t frame = sheet.frames[i];
        if (!images[i].empty()) ++sheet.decoded;
        content.thumbs.push_back(SheetThumb{frame, std::move(images[i]),
                                            content.views[static_cast<size_t>(frame)],
                                            isKeyframeFrame(job, frame)});
    }
    sheet.image = drawContactSheet(content);
    return sheet;
}

// ---- Writing it ----

bool writePng(const std::string& path, const cv::Mat& image) {
    std::vector<uchar> bytes;
    try {
        if (!cv::imencode(".png", image, bytes)) return false;
    } catch (const cv::Exception&) {
        return false;
    }
    return platform::writeWholeFile(path, std::string(bytes.begin(), bytes.end()));
}

}  // namespace camdrift
