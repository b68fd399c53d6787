// The job between the page and the server as JSON:
//   {"output": "...", "muxer": "...", "codec": "avc1", "transitionSeconds": 1.5,
//    "width": 1280, "height": 720,
//    "keyframes": [{"label": "a", "frame": 0, "zoom": 50, "centerX": 30,
//                   "centerY": 40, "transition": 2}, ...]}
// The title and the source are the session's own and never come from the page.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "studio/studio_job.h"

namespace camdrift {

nlohmann::json jobToJson(const StudioJob& job);

// The page's fields over `session` (whose title and source stay); nothing
// and the reason in `error` when a field is missing or of the wrong type,
// an integer doesn't fit in 32 bits, or the transition time isn't finite.
// A "source" other than the session's is refused: frames come from the
// job's own source only.
std::optional<StudioJob> jobFromJson(const nlohmann::json& value, const StudioJob& session,
                                     std::string& error);

}  // namespace camdrift
