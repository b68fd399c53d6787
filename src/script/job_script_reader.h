// Reads a job script. The reader is a pure function over the decoded text;
// reading the file is a thin wrapper around it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/job_script.h"

namespace camdrift {

// One keyframe attempt of the reader, kept so that a user can be shown how
// each keyframe line was read.
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

// Removes trailing CR and LF; blanks and tabs stay.
void trimLineEnd(std::u16string& line);

// Parses the decoded text of a job script (a leading BOM is dropped). A given
// report is cleared first.
// `decimalPoint` is the locale's decimal separator used by the transition time.
JobScript parseJobScript(const std::u16string& text, const std::string& decimalPoint = ".",
                         ReadReport* report = nullptr);

// Decodes the file's bytes as UTF-8 (invalid sequences as U+FFFD) with each
// CR LF pair folded into one LF, as a text-mode read delivers them.
std::u16string decodeJobScriptBytes(std::string_view bytes);

// Reads and decodes the file (UTF-8 whatever the locale, CR LF arriving as LF);
// nothing when the file can't be opened or read.
std::optional<std::u16string> readJobScriptText(const std::string& path);

std::optional<JobScript> readJobScript(const std::string& path, const std::string& decimalPoint,
                                       ReadReport* report = nullptr);

}  // namespace camdrift
