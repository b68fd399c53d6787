#include "preview/sheet_maker.h"

#include <algorithm>

#include "preview/contact_sheet.h"
#include "preview/frame_grab.h"
#include "preview/sheet_geometry.h"
#include "preview/view_plot.h"
#include "script/utf8.h"

namespace camdrift {
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

}  // namespace camdrift
