#include "studio/api_common.h"

#include "script/job_script_reader.h"
#include "studio/job_json.h"

namespace camdrift {

using nlohmann::json;

Response jsonResponse(int status, const json& body) {
    Response response;
    response.status = status;
    response.contentType = "application/json";
    // Invalid UTF-8 from a file's bytes must not stop the answer.
    response.body = body.dump(-1, ' ', false, json::error_handler_t::replace);
    return response;
}

Response errorResponse(int status, const std::string& message) {
    return jsonResponse(status, {{"error", message}});
}

namespace {

// The request's JSON body, or the 400 answer for one that isn't an object.
std::optional<json> jsonBody(const Request& request, Response& failure) {
    json body = json::parse(request.body, nullptr, /*allow_exceptions=*/false);
    if (body.is_discarded() || !body.is_object()) {
        failure = errorResponse(400, "the body must be a JSON object");
        return std::nullopt;
    }
    return body;
}

// body["job"] over the session's title and source, or the 400 answer.
std::optional<StudioJob> jobOfBody(const json& body, const StudioState& state,
                                   Response& failure) {
    const auto job = body.find("job");
    if (job == body.end()) {
        failure = errorResponse(400, "the body must have a \"job\"");
        return std::nullopt;
    }
    std::string error;
    std::optional<StudioJob> parsed = jobFromJson(*job, sessionJob(state), error);
    if (!parsed) failure = errorResponse(400, error);
    return parsed;
}

// body["frame"]: an integer naming a frame of the source, or the answer
// (400 for a wrong type, 404 for a frame the source doesn't have).
std::optional<int32_t> frameOfBody(const json& body, const StudioState& state,
                                   Response& failure) {
    const auto frame = body.find("frame");
    if (frame == body.end() || !frame->is_number_integer()) {
        failure = errorResponse(400, "\"frame\" must be an integer");
        return std::nullopt;
    }
    const int32_t count = state.frames.info().frameCount;
    const bool inside = frame->is_number_unsigned()
                            ? frame->get<uint64_t>() < static_cast<uint64_t>(std::max(count, 0))
                            : frame->get<int64_t>() >= 0 && frame->get<int64_t>() < count;
    if (!inside) {
        failure = errorResponse(404, "the source has no such frame");
        return std::nullopt;
    }
    return static_cast<int32_t>(frame->get<int64_t>());
}

}  // namespace

std::optional<StudioJob> jobOfRequest(const Request& request, const StudioState& state,
                                      Response& failure) {
    const auto body = jsonBody(request, failure);
    if (!body) return std::nullopt;
    return jobOfBody(*body, state, failure);
}

std::optional<JobAtFrame> jobAtFrameOfRequest(const Request& request, const StudioState& state,
                                              Response& failure) {
    const auto body = jsonBody(request, failure);
    if (!body) return std::nullopt;
    auto job = jobOfBody(*body, state, failure);
    if (!job) return std::nullopt;
    const auto frame = frameOfBody(*body, state, failure);
    if (!frame) return std::nullopt;
    return JobAtFrame{std::move(*job), *frame};
}

std::optional<int64_t> decimalParameter(const std::string& text) {
    constexpr size_t kMostDigits = 10;
    if (text.empty() || text.size() > kMostDigits) return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<std::u16string> scriptOnDisk(const StudioState& state) {
    return readJobScriptText(state.session.scriptPath);
}

StudioJob sessionJob(const StudioState& state) {
    StudioJob job;
    job.source = state.session.sourcePath;
    return job;
}

std::string titleOnDisk(const StudioState& state) {
    const auto text = scriptOnDisk(state);
    return text ? jobFromText(*text, state.session.decimalPoint).title : "";
}

}  // namespace camdrift
