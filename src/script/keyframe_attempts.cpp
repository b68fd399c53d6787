#include "script/keyframe_attempts.h"

#include <algorithm>
#include <array>
#include <string>

#include "script/scanf_scan.h"

namespace camdrift {
namespace {

// The shortest accepted record, "a 0 0 0 0 0", takes 11 units, which bounds
// how many records the rest of the text can hold.
constexpr size_t kShortestRecordUnits = 11;

std::u16string textOf(std::u16string_view text, size_t begin, size_t end) {
    return std::u16string(text.substr(begin, end - begin));
}

struct Attempt {
    Keyframe record;
    int converted = 0;
    size_t next = 0;  // where the following attempt starts
};

Attempt attemptAt(std::u16string_view text, size_t pos, KeyframeAttempt* seen,
                  LineTracker& lines) {
    Attempt attempt;
    const Scan<NoValue> label = scanWord(text, pos);
    attempt.next = label.begin;
    if (!label.converted) return attempt;
    if (seen) {
        seen->labelLine = lines.lineAt(label.begin);
        seen->label = textOf(text, label.begin, label.end);
    }
    attempt.converted = 1;
    attempt.next = label.end;

    const std::array<int32_t Keyframe::*, 5> fields = {
        &Keyframe::frame, &Keyframe::zoom, &Keyframe::centerX, &Keyframe::centerY,
        &Keyframe::transition};
    for (auto field : fields) {
        const Scan<int32_t> value = scanInt(text, attempt.next);
        if (!value.converted) {
            attempt.next = value.begin;
            break;
        }
        attempt.record.*field = value.value;
        attempt.next = value.end;
        ++attempt.converted;
        if (seen) seen->valueTokens.push_back(textOf(text, value.begin, value.end));
    }
    return attempt;
}

void noteStop(std::u16string_view text, const Attempt& attempt, KeyframeAttempt& seen,
              LineTracker& lines) {
    seen.converted = attempt.converted;
    seen.accepted = attempt.converted == 6;
    seen.values = attempt.record;
    if (seen.accepted) return;
    const Scan<NoValue> stop = scanWord(text, attempt.next);
    if (!stop.converted) return;
    seen.stopToken = textOf(text, stop.begin, stop.end);
    seen.stopLine = lines.lineAt(stop.begin);
}

}  // namespace

std::vector<Keyframe> readKeyframes(std::u16string_view text, size_t pos, size_t attempts,
                                    std::vector<KeyframeAttempt>* report, LineTracker& lines) {
    std::vector<Keyframe> keyframes;
    keyframes.reserve(std::min(attempts, (text.size() - pos) / kShortestRecordUnits + 1));
    for (size_t made = 0; made < attempts; ++made) {
        KeyframeAttempt seen;
        const Attempt attempt = attemptAt(text, pos, report ? &seen : nullptr, lines);
        pos = attempt.next;
        if (attempt.converted == 6) keyframes.push_back(attempt.record);
        if (report) {
            noteStop(text, attempt, seen, lines);
            report->push_back(std::move(seen));
        } else if (attempt.converted == 0) {
            break;  // the text is used up: the attempts left convert nothing
        }
    }
    return keyframes;
}

}  // namespace camdrift
