// The traps of a job: every warning names the script line it is about.
// Lines 2 to 8 are checked in job_warnings.cpp, the keyframe lines in
// keyframe_warnings.cpp.
#pragma once

#include <string>
#include <vector>

#include "preview/job_facts.h"

namespace camdrift {

struct Warning {
    int line = 0;  // 1-based line of the job script
    std::string text;

    bool operator==(const Warning& other) const {
        return line == other.line && text == other.text;
    }
};

// All warnings, in line order (the order of discovery within a line).
// Checks that need the source are left out when it couldn't be opened.
std::vector<Warning> checkJob(const PreviewInput& input);

// "warning: line 12: label \"050\" is a number; is the label missing?\n"
std::string warningLine(const Warning& warning);

// What a number token as written says about how "%i" read it; the output
// size and the keyframe values are read so.

// A leading 0 made the token octal and its value differs from the decimal
// one a reader would expect ("050" is 40; "07" and "00" mean what they say).
bool readsAsSurprisingOctal(const std::u16string& token);

// The whole token reads as one "%i" number ("12", "-3", "050", "0x1F").
bool isNumberToken(const std::u16string& token);

}  // namespace camdrift
