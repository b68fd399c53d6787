// The render child: start, watch, cancel.
#include "studio/api_common.h"

namespace camdrift {
namespace {

const char* stateName(RenderStatus::State state) {
    switch (state) {
        case RenderStatus::State::Running: return "running";
        case RenderStatus::State::Finished: return "finished";
        case RenderStatus::State::Idle: break;
    }
    return "idle";
}

}  // namespace

Response postRender(StudioState& state) {
    if (!state.render.start(state.session.scriptPath)) {
        return errorResponse(409, "a render is already running");
    }
    return getRender(state);
}

Response getRender(StudioState& state) {
    const RenderStatus status = state.render.status();
    nlohmann::json answer = {{"state", stateName(status.state)}, {"run", status.run},
                             {"lines", status.lines}, {"cancelled", status.cancelled}};
    if (status.state == RenderStatus::State::Finished) {
        const platform::ProcessOutcome& outcome = status.outcome;
        answer["exitStatus"] = outcome.exited ? nlohmann::json(outcome.exitStatus) : nullptr;
        answer["meaning"] = exitMeaning(outcome);
        answer["lastLine"] = status.lines.empty() ? "" : status.lines.back();
    }
    return jsonResponse(200, answer);
}

Response postRenderCancel(StudioState& state) {
    if (!state.render.cancel()) return errorResponse(409, "no render is running");
    return getRender(state);
}

}  // namespace camdrift
