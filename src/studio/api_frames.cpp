// Pictures and views: the source frame, the output frame, the view track.
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "studio/api_common.h"
#include "studio/job_views.h"
#include "studio/png_writer.h"

namespace camdrift {
namespace {

using nlohmann::json;

constexpr int64_t kDefaultMaxWidth = 1280;
constexpr int64_t kSmallestMaxWidth = 16;
constexpr int kSourceJpegQuality = 85;
// An output frame past this is not drawn: a mistyped size must not eat the memory.
constexpr int64_t kMostOutputPixels = int64_t{8192} * 8192;

Response imageResponse(const char* type, std::string bytes, int32_t frame) {
    Response response;
    response.contentType = type;
    response.body = std::move(bytes);
    response.headers.push_back({"X-Frame", std::to_string(frame)});
    return response;
}

json viewJson(const ViewState& view) {
    return {{"zoom", view.zoom}, {"centerX", view.centerX}, {"centerY", view.centerY}};
}

json rectJson(const cv::Rect& rect) {
    return {{"x", rect.x}, {"y", rect.y}, {"width", rect.width}, {"height", rect.height}};
}

cv::Size sourceSize(const StudioState& state) {
    const SourceInfo info = state.frames.info();
    return cv::Size(info.width, info.height);
}

}  // namespace

Response getFrame(const Request& request, StudioState& state) {
    for (const auto& [name, value] : request.query) {
        if (name != "n" && name != "maxWidth") {
            return errorResponse(400, "unknown parameter \"" + name + "\"");
        }
    }
    const auto n = request.query.find("n");
    const auto frame = n == request.query.end() ? std::nullopt : decimalParameter(n->second);
    if (!frame) return errorResponse(400, "\"n\" must be a frame number");
    if (*frame >= state.frames.info().frameCount) {
        return errorResponse(404, "the source has no such frame");
    }
    int64_t maxWidth = kDefaultMaxWidth;
    if (const auto w = request.query.find("maxWidth"); w != request.query.end()) {
        const auto parsed = decimalParameter(w->second);
        if (!parsed || *parsed < kSmallestMaxWidth) {
            return errorResponse(400, "\"maxWidth\" must be a width of 16 pixels or more");
        }
        maxWidth = *parsed;
    }
    const int32_t index = static_cast<int32_t>(*frame);
    cv::Mat upright;
    if (!state.frames.frame(index, upright)) {
        return errorResponse(404, "frame " + std::to_string(index) + " can't be decoded");
    }
    cv::Mat shown = upright;
    if (upright.cols > maxWidth) {
        const double scale = static_cast<double>(maxWidth) / upright.cols;
        // Bilinear: area averaging costs ten times more at the 1.5x of a
        // 1080p frame shown 1280 wide, for a picture that only guides the eye.
        cv::resize(upright, shown, cv::Size(), scale, scale, cv::INTER_LINEAR);
    }
    std::vector<unsigned char> jpeg;
    cv::imencode(".jpg", shown, jpeg, {cv::IMWRITE_JPEG_QUALITY, kSourceJpegQuality});
    return imageResponse("image/jpeg", std::string(jpeg.begin(), jpeg.end()), index);
}

Response postView(const Request& request, StudioState& state) {
    Response failure;
    const auto asked = jobAtFrameOfRequest(request, state, failure);
    if (!asked) return failure;
    const StudioJob& job = asked->job;
    const int32_t frame = asked->frame;
    const JobScript read = readAsTool(job, state.session.decimalPoint);
    const ViewState view = viewAt(read, state.frames.info().fps, frame);
    const cv::Size size = sourceSize(state);
    return jsonResponse(200, {{"frame", frame}, {"view", viewJson(view)},
                              {"crop", rectJson(cropRectOf(size, view, read))}});
}

Response postOutput(const Request& request, StudioState& state) {
    Response failure;
    const auto asked = jobAtFrameOfRequest(request, state, failure);
    if (!asked) return failure;
    const StudioJob& job = asked->job;
    const int32_t frame = asked->frame;
    const JobScript read = readAsTool(job, state.session.decimalPoint);
    if (read.outputWidth <= 0 || read.outputHeight <= 0 ||
        int64_t{read.outputWidth} * read.outputHeight > kMostOutputPixels) {
        return errorResponse(422, "the output size can't be drawn");
    }
    cv::Mat upright;
    if (!state.frames.frame(frame, upright)) {
        return errorResponse(404, "frame " + std::to_string(frame) + " can't be decoded");
    }
    const ViewState view = viewAt(read, state.frames.info().fps, frame);
    std::string png = encodePng(outputFrame(upright, read, view));
    if (png.empty()) return errorResponse(500, "the output frame can't be encoded");
    return imageResponse("image/png", std::move(png), frame);
}

// Flat arrays keep a long video's answer compact: crops as x, y, width,
// height per frame.
Response postTrack(const Request& request, StudioState& state) {
    Response failure;
    const auto job = jobOfRequest(request, state, failure);
    if (!job) return failure;
    const SourceInfo info = state.frames.info();
    const JobScript read = readAsTool(*job, state.session.decimalPoint);
    const Track track = trackOf(read, info.fps, info.frameCount, sourceSize(state));
    json zoom = json::array();
    json centerX = json::array();
    json centerY = json::array();
    json crops = json::array();
    for (size_t n = 0; n < track.views.size(); ++n) {
        zoom.push_back(track.views[n].zoom);
        centerX.push_back(track.views[n].centerX);
        centerY.push_back(track.views[n].centerY);
        const cv::Rect& c = track.crops[n];
        for (int value : {c.x, c.y, c.width, c.height}) crops.push_back(value);
    }
    return jsonResponse(200, {{"frames", track.views.size()}, {"zoom", zoom},
                              {"centerX", centerX}, {"centerY", centerY}, {"crops", crops},
                              {"motion", track.motion}});
}

}  // namespace camdrift
