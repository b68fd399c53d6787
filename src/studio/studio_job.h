// The job as the studio's page edits it: the header fields and the
// keyframes with their labels, and its text in the format camdrift reads.
// The text file stays the truth: a job comes from reading text with the
// tool's own reader, and goes back to text that must read the same.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "script/job_script.h"

namespace camdrift {

// The script's line of its first keyframe; lines 1 to 8 are the header.
constexpr int kFirstKeyframeLine = 9;

struct StudioKeyframe {
    std::string label;  // UTF-8, one word
    Keyframe values;

    bool operator==(const StudioKeyframe& other) const;
};

struct StudioJob {
    std::string title;   // line 1, kept as it was
    std::string source;  // line 2: fixed for a studio session
    std::string output;  // line 3
    std::string muxer;   // line 4, empty for none
    std::string codec;   // line 5, up to its line end
    double transitionSeconds = 1.0;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<StudioKeyframe> keyframes;

    bool operator==(const StudioJob& other) const;
    bool operator!=(const StudioJob& other) const { return !(*this == other); }
};

// Why a label can't be written as one, or nothing when it can: an empty
// label, or one with white space in it, would shift the values after it.
std::optional<std::string> labelProblem(const std::string& label);

// The shortest plain decimal (no exponent) that reads back as exactly
// `seconds`, with `decimalPoint` in place of '.'. Finite values only.
std::string transitionText(double seconds, const std::string& decimalPoint);

// The job script: UTF-8, LF line ends, one keyframe a line, integers in
// plain decimal (no leading 0 that would read as octal).
std::string scriptText(const StudioJob& job, const std::string& decimalPoint);

// The job as camdrift reads `text`: the accepted keyframes with their labels.
StudioJob jobFromText(const std::u16string& text, const std::string& decimalPoint);

// The codec line as the page shows it: the codec bytes up to the line end.
std::string codecText(const CodecCode& code);

// Where two jobs first differ, in words ("line 3, the output: ..."); empty
// when they are equal.
std::string firstDifference(const StudioJob& wanted, const StudioJob& read);

}  // namespace camdrift
