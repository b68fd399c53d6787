// How the job script was read, in plain words: the paths, the codec code,
// the transition time and its ramp lengths, the sizes and the keyframes.
#pragma once

#include <string>

#include "preview/job_facts.h"

namespace camdrift {

// The header part, with the source's properties when it could be opened.
std::string describeReading(const PreviewInput& input, const std::string& scriptPath);

// The accepted keyframes as a table with the line each came from.
std::string keyframeTable(const PreviewInput& input);

}  // namespace camdrift
