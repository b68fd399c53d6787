// The groups of checks that make up checkJob, each appending its warnings.
#pragma once

#include <vector>

#include "preview/job_warnings.h"
#include "preview/preview_input.h"

namespace camdrift {

// Lines 2 to 8: the files the job names, the header values and the output size.
void addHeaderWarnings(const PreviewInput& input, std::vector<Warning>& warnings);

// How the keyframe lines were read: failed attempts, labels that are
// numbers, octal values, keyframes the attempts never reached.
void addReadingWarnings(const PreviewInput& input, std::vector<Warning>& warnings);

// The values of the accepted keyframes.
void addKeyframeWarnings(const PreviewInput& input, std::vector<Warning>& warnings);

}  // namespace camdrift
