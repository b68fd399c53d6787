#include "preview/preview_input.h"

#include "preview/unread_tail.h"

namespace camdrift {

PreviewInput readPreviewInput(const std::u16string& text, const std::string& decimalPoint) {
    PreviewInput input;
    input.decimalPoint = decimalPoint;
    input.job = parseJobScript(text, decimalPoint, &input.report);
    input.unreadAttempts = attemptsPastTheLastLine(text, decimalPoint, input.report);
    return input;
}

std::vector<const KeyframeAttempt*> acceptedAttempts(const ReadReport& report) {
    std::vector<const KeyframeAttempt*> accepted;
    for (const KeyframeAttempt& attempt : report.attempts) {
        if (attempt.accepted) accepted.push_back(&attempt);
    }
    return accepted;
}

}  // namespace camdrift
