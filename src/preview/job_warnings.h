// The traps of a job: every warning names the script line it is about.
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

}  // namespace camdrift
