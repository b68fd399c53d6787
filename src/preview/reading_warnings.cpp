#include <array>

#include "platform/platform.h"
#include "preview/number_tokens.h"
#include "preview/report_text.h"
#include "preview/warning_checks.h"

namespace camdrift {
namespace {

constexpr int kValueCount = 5;
const std::array<const char*, kValueCount> kValueNames = {"frame", "zoom", "centerX", "centerY",
                                                          "transition code"};

int valueOf(const Keyframe& keyframe, size_t index) {
    const std::array<int32_t, kValueCount> values = {keyframe.frame, keyframe.zoom,
                                                     keyframe.centerX, keyframe.centerY,
                                                     keyframe.transition};
    return values[index];
}

int valuesRead(const KeyframeAttempt& attempt) { return attempt.converted - 1; }

// " on line 10" when the stop token is on another line than the label.
std::string elsewhere(const KeyframeAttempt& attempt) {
    if (attempt.stopLine == attempt.labelLine) return "";
    return platform::formatText(" on line %d", attempt.stopLine);
}

std::string failureText(const KeyframeAttempt& attempt, const KeyframeAttempt* previous) {
    const std::string label = quoted(attempt.label);
    if (attempt.stopToken.empty()) {
        return platform::formatText(
            "keyframe %s ran out of values at the end of the file after %d of 5; nothing is "
            "kept from it",
            label.c_str(), valuesRead(attempt));
    }
    const std::string stop = quoted(attempt.stopToken);
    if (previous && previous->accepted && previous->labelLine == attempt.labelLine) {
        return platform::formatText(
            "the word %s after the keyframe's values is read as the next keyframe's label; "
            "that attempt stopped at %s%s and nothing is kept from it",
            label.c_str(), stop.c_str(), elsewhere(attempt).c_str());
    }
    if (valuesRead(attempt) == 0 && attempt.stopLine == attempt.labelLine) {
        return platform::formatText(
            "keyframe %s stopped at %s, which is not a number, and nothing is kept from it; "
            "a label must be one word",
            label.c_str(), stop.c_str());
    }
    return platform::formatText(
        "keyframe %s stopped at %s%s after %d of 5 values; nothing is kept from it",
        label.c_str(), stop.c_str(), elsewhere(attempt).c_str(), valuesRead(attempt));
}

void addOctalWarnings(const KeyframeAttempt& attempt, std::vector<Warning>& warnings) {
    for (size_t i = 0; i < attempt.valueTokens.size() && i < kValueNames.size(); ++i) {
        if (!readsAsSurprisingOctal(attempt.valueTokens[i])) continue;
        warnings.push_back({attempt.labelLine, platform::formatText(
            "%s %s is read as octal: %d", kValueNames[i],
            quoted(attempt.valueTokens[i]).c_str(), valueOf(attempt.values, i))});
    }
}

void addAttemptWarnings(const KeyframeAttempt& attempt, const KeyframeAttempt* previous,
                        std::vector<Warning>& warnings) {
    if (attempt.converted == 0) return;  // past the end of the text: nothing was read
    if (isNumberToken(attempt.label)) {
        warnings.push_back({attempt.labelLine, "label " + quoted(attempt.label) +
                                                   " is a number; is the label missing?"});
    }
    if (attempt.accepted) {
        addOctalWarnings(attempt, warnings);
    } else {
        warnings.push_back({attempt.labelLine, failureText(attempt, previous)});
    }
}

// The keyframes past the last attempt, or where the unread text starts when
// none of it makes a keyframe.
void addUnreadWarnings(const std::vector<KeyframeAttempt>& unread,
                       std::vector<Warning>& warnings) {
    bool keyframeLost = false;
    for (const KeyframeAttempt& attempt : unread) {
        if (!attempt.accepted) continue;
        keyframeLost = true;
        warnings.push_back({attempt.labelLine,
                            "keyframe " + quoted(attempt.label) +
                                " is never read: failed attempts used up the keyframe reads "
                                "(one per line after line 8)"});
    }
    if (!keyframeLost && !unread.empty()) {
        warnings.push_back({unread.front().labelLine,
                            quoted(unread.front().label) +
                                " and what follows it is never read: the keyframe reads "
                                "(one per line after line 8) ran out"});
    }
}

}  // namespace

void addReadingWarnings(const PreviewInput& input, std::vector<Warning>& warnings) {
    const std::vector<KeyframeAttempt>& attempts = input.report.attempts;
    for (size_t i = 0; i < attempts.size(); ++i) {
        addAttemptWarnings(attempts[i], i > 0 ? &attempts[i - 1] : nullptr, warnings);
    }
    addUnreadWarnings(input.unreadAttempts, warnings);
}

}  // namespace camdrift
