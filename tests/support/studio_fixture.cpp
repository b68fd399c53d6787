#include "studio_fixture.h"

#include <stdexcept>

#include "studio/frames_by_number.h"
#include "studio/studio_handlers.h"
#include "video/opencv_video_io_linked.h"

namespace testing_support {

camdrift::Request tokenRequest(const std::string& method, const std::string& path) {
    camdrift::Request request;
    request.method = method;
    request.path = path;
    request.headers["x-studio-token"] = kStudioToken;
    return request;
}

StudioSessionFixture::StudioSessionFixture(int width, int height, int frames,
                                           const std::vector<std::string>& keyframeLines) {
    sourcePath_ = dir_.file("source.avi");
    if (!writePatternVideo(sourcePath_, width, height, frames)) {
        throw std::runtime_error("can't write the pattern clip");
    }
    scriptPath_ = dir_.file("job.txt");
    JobScriptLines lines{sourcePath_, dir_.file("out.avi"), "", "FFV1", "1",
                         std::to_string(width / 2), std::to_string(height / 2), keyframeLines};
    lines.title = "studio test";
    writeFile(scriptPath_, jobScriptText(lines));
    camdrift::StudioSession session{scriptPath_, sourcePath_, ".", kStudioToken, 5555,
                                    kStudioPageKey};
    state_ = std::make_unique<camdrift::StudioState>(
        session,
        camdrift::openFramesByNumber(sourcePath_, camdrift::VideoIo::Libav,
                                     camdrift::linkedOpenCvVideoIo),
        CAMDRIFT_EXE,
        camdrift::VideoIo::Libav, camdrift::linkedOpenCvVideoIo);
}

camdrift::Response StudioSessionFixture::get(const std::string& path,
                                             const std::map<std::string, std::string>& query) {
    camdrift::Request request = tokenRequest("GET", path);
    request.query = query;
    return camdrift::handle(request, *state_);
}

camdrift::Response StudioSessionFixture::post(const std::string& path, const std::string& body) {
    camdrift::Request request = tokenRequest("POST", path);
    request.body = body;
    return camdrift::handle(request, *state_);
}

camdrift::Response StudioSessionFixture::post(const std::string& path,
                                              const nlohmann::json& body) {
    return post(path, body.dump());
}

nlohmann::json StudioSessionFixture::jobJson() {
    const camdrift::Response answer = get("/api/job");
    return nlohmann::json::parse(answer.body).at("job");
}

}  // namespace testing_support
