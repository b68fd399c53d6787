// The warnings of the keyframe lines, from line 9 on.
// How they were read (failed attempts, labels that are numbers, octal
// values, keyframes the attempts never reached) and the values of the
// accepted keyframes.
#pragma once

#include <vector>

#include "preview/job_facts.h"
#include "preview/job_warnings.h"

namespace camdrift {

// Appends them in the order of discovery: the reading of every attempt and
// what it never reached, then the values of each accepted keyframe.
void addKeyframeLineWarnings(const PreviewInput& input, std::vector<Warning>& warnings);

}  // namespace camdrift
