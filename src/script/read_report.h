// What the reader saw on its way through a script, kept so that a user can
// be shown how each line was read.
#pragma once

#include <string>
#include <vector>

#include "script/job_script.h"

namespace camdrift {

// One keyframe attempt of the reader.
struct KeyframeAttempt {
    int labelLine = 0;            // 1-based file line of the attempt's label (0: none, past the end)
    std::u16string label;         // the label token as read
    int converted = 0;            // items converted, label included (6 = accepted)
    bool accepted = false;
    Keyframe values;              // the fields converted so far
    std::vector<std::u16string> valueTokens;  // the text of each converted value, as written
    std::u16string stopToken;     // the token the attempt stopped at (empty when accepted or at the end)
    int stopLine = 0;             // 1-based file line of stopToken (0 when it is empty)
};

// How the header and the keyframe section were read.
struct ReadReport {
    int lineCount = 0;                     // the counting pass's result
    std::u16string title;                  // line 1 as its read took it, line end removed
    bool transitionScanned = false;
    bool widthScanned = false;
    bool heightScanned = false;
    std::u16string transitionToken;        // the text each header value was read from
    std::u16string widthToken;             // (empty when its scan failed)
    std::u16string heightToken;
    // What follows the transition time on its line, line end removed: text
    // there ("1.5 s") is left for the scans after it (empty when its scan failed).
    std::u16string transitionRest;
    std::vector<KeyframeAttempt> attempts; // every attempt, in order
};

}  // namespace camdrift
