// Answers and request parts shared by the API's handlers.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "studio/http_types.h"
#include "studio/studio_job.h"
#include "studio/studio_state.h"

namespace camdrift {

Response jsonResponse(int status, const nlohmann::json& body);
Response errorResponse(int status, const std::string& message);

// The request's body and its job, or the first answer that refuses them.
std::optional<StudioJob> jobOfRequest(const Request& request, const StudioState& state,
                                      Response& failure);

// The request's job and the frame it asks about, refused in that order.
struct JobAtFrame {
    StudioJob job;
    int32_t frame;
};
std::optional<JobAtFrame> jobAtFrameOfRequest(const Request& request, const StudioState& state,
                                              Response& failure);

// A frame number written as plain decimal digits (no sign, no blanks).
std::optional<int64_t> decimalParameter(const std::string& text);

// The job script's text as it is on disk now.
std::optional<std::u16string> scriptOnDisk(const StudioState& state);

// The session's part of a job: its source.
StudioJob sessionJob(const StudioState& state);

// Line 1 of the script on disk now, which a save keeps; empty when the
// file can't be read.
std::string titleOnDisk(const StudioState& state);

// Handlers by concern; each answers the routes its file names.
Response getJob(StudioState& state);
Response postCheck(const Request& request, StudioState& state);
Response postSave(const Request& request, StudioState& state);
Response getFrame(const Request& request, StudioState& state);
Response postView(const Request& request, StudioState& state);
Response postOutput(const Request& request, StudioState& state);
Response postTrack(const Request& request, StudioState& state);
Response postRender(StudioState& state);
Response getRender(StudioState& state);
Response postRenderCancel(StudioState& state);

}  // namespace camdrift
