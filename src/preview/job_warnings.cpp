#include "preview/job_warnings.h"

#include <algorithm>

#include "platform/platform.h"
#include "preview/warning_checks.h"

namespace camdrift {

std::vector<Warning> checkJob(const PreviewInput& input) {
    std::vector<Warning> warnings;
    addSourceWarnings(input, warnings);
    addFileWarnings(input, warnings);
    addHeaderWarnings(input, warnings);
    addReadingWarnings(input, warnings);
    addKeyframeWarnings(input, warnings);
    std::stable_sort(warnings.begin(), warnings.end(),
                     [](const Warning& a, const Warning& b) { return a.line < b.line; });
    return warnings;
}

std::string warningLine(const Warning& warning) {
    return platform::formatText("warning: line %d: %s\n", warning.line, warning.text.c_str());
}

}  // namespace camdrift
