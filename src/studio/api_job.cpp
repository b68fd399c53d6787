// The job itself: reading it from disk, checking the page's version, saving it.
#include "script/utf8.h"
#include "studio/api_common.h"
#include "studio/job_checks.h"
#include "studio/job_json.h"
#include "studio/job_save.h"
#include "studio/job_views.h"

namespace camdrift {
namespace {

using nlohmann::json;

json warningsJson(const std::vector<StudioWarning>& warnings) {
    json list = json::array();
    for (const StudioWarning& w : warnings) {
        json item = {{"line", w.line}, {"text", w.text}};
        if (!w.field.empty()) item["field"] = w.field;
        if (w.keyframe >= 0) item["keyframe"] = w.keyframe;
        list.push_back(item);
    }
    return list;
}

json sourceJson(const StudioState& state) {
    const SourceInfo info = state.frames.info();
    return {{"path", state.session.sourcePath}, {"width", info.width}, {"height", info.height},
            {"fps", info.fps}, {"frameCount", info.frameCount}, {"rotation", info.rotation},
            {"reader", state.frames.reader()}};
}

}  // namespace

Response getJob(StudioState& state) {
    const std::optional<std::u16string> text = scriptOnDisk(state);
    if (!text) return errorResponse(409, "can't read the job script " + state.session.scriptPath);
    const std::string& point = state.session.decimalPoint;
    const StudioJob job = jobFromText(*text, point);
    json answer = {{"scriptPath", state.session.scriptPath},
                   {"title", job.title},
                   {"decimalPoint", point},
                   {"source", sourceJson(state)},
                   {"job", jobToJson(job)},
                   {"version", CAMDRIFT_VERSION}};
    // What the file says beyond the keyframes the page shows (failed
    // attempts, unread lines) is lost by a save: the page tells so.
    const std::string canonical = scriptText(job, point);
    answer["rewritesFile"] = encodeUtf8(*text) != canonical;
    if (job.source != state.session.sourcePath) {
        answer["sourceChanged"] = job.source;
    }
    return jsonResponse(200, answer);
}

Response postCheck(const Request& request, StudioState& state) {
    Response failure;
    const auto job = jobOfRequest(request, state, failure);
    if (!job) return failure;
    const SourceInfo info = state.frames.info();
    const std::string& point = state.session.decimalPoint;
    const std::vector<int32_t> ramps = rampFrames(job->transitionSeconds, info.fps);
    json labels = json::array();
    for (size_t i = 0; i < job->keyframes.size(); ++i) {
        if (const auto problem = labelProblem(job->keyframes[i].label)) {
            labels.push_back({{"keyframe", i}, {"text", *problem}});
        }
    }
    return jsonResponse(200, {{"warnings", warningsJson(checkStudioJob(*job, state.source, point,
                                                                       state.writerProbes))},
                              {"labelProblems", labels},
                              {"rampFrames", ramps},
                              {"text", scriptText(*job, point)}});
}

Response postSave(const Request& request, StudioState& state) {
    Response failure;
    auto job = jobOfRequest(request, state, failure);
    if (!job) return failure;
    std::lock_guard<std::mutex> lock(state.saveMutex);
    job->title = titleOnDisk(state);
    const SaveOutcome outcome = saveJobScript(state.session.scriptPath, *job,
                                              state.session.decimalPoint);
    if (!outcome.saved) return jsonResponse(409, {{"error", outcome.error}, {"text", outcome.text}});
    return jsonResponse(200, {{"saved", true}, {"path", state.session.scriptPath},
                              {"text", outcome.text}});
}

}  // namespace camdrift
