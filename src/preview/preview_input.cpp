#include "preview/preview_input.h"

namespace camdrift {

std::vector<const KeyframeAttempt*> acceptedAttempts(const ReadReport& report) {
    std::vector<const KeyframeAttempt*> accepted;
    for (const KeyframeAttempt& attempt : report.attempts) {
        if (attempt.accepted) accepted.push_back(&attempt);
    }
    return accepted;
}

}  // namespace camdrift
