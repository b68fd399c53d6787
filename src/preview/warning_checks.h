// The groups of checks that make up checkJob, each appending its warnings.
#pragma once

#include <vector>

#include "preview/job_facts.h"
#include "preview/job_warnings.h"

namespace camdrift {

// How a warning says that the run will stop before writing a frame.
inline constexpr char kWriterFails[] = "camdrift will print \"Writer not opened!\"";

// Line 2: what the source's frames are like.
void addSourceWarnings(const PreviewInput& input, std::vector<Warning>& warnings);

// Lines 3 to 5: the output, the muxer, and whether the writer opens.
void addFileWarnings(const PreviewInput& input, std::vector<Warning>& warnings);

// Lines 6 to 8: the transition time and the output size.
void addHeaderWarnings(const PreviewInput& input, std::vector<Warning>& warnings);

// How the keyframe lines were read: failed attempts, labels that are
// numbers, octal values, keyframes the attempts never reached.
void addReadingWarnings(const PreviewInput& input, std::vector<Warning>& warnings);

// The values of the accepted keyframes.
void addKeyframeWarnings(const PreviewInput& input, std::vector<Warning>& warnings);

}  // namespace camdrift
