// The keyframe section: a fixed number of "%s %i %i %i %i %i" attempts, each
// starting where the previous one stopped.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "script/job_script.h"
#include "script/line_tracker.h"
#include "script/read_report.h"

namespace camdrift {

// Makes `attempts` attempts from `pos` and returns the accepted records in
// order. When `report` is given, every attempt is appended to it, with lines
// taken from `lines`.
std::vector<Keyframe> readKeyframes(std::u16string_view text, size_t pos, size_t attempts,
                                    std::vector<KeyframeAttempt>* report, LineTracker& lines);

}  // namespace camdrift
