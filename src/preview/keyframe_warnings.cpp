#include "preview/keyframe_warnings.h"

#include <array>

#include "platform/platform.h"
#include "preview/report_text.h"
#include "render/frame_render.h"
#include "render/view_track.h"

namespace camdrift {

// ---- How the keyframe lines were read ----

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

void addReadingWarnings(const PreviewInput& input, std::vector<Warning>& warnings) {
    const std::vector<KeyframeAttempt>& attempts = input.report.attempts;
    for (size_t i = 0; i < attempts.size(); ++i) {
        addAttemptWarnings(attempts[i], i > 0 ? &attempts[i - 1] : nullptr, warnings);
    }
    addUnreadWarnings(input.unreadAttempts, warnings);
}

}  // namespace

// ---- The values of the accepted keyframes ----

namespace {

using Attempts = std::vector<const KeyframeAttempt*>;

void addFrameWarnings(const Attempts& keyframes, size_t i, const std::optional<SourceInfo>& source,
                      std::vector<Warning>& warnings) {
    const KeyframeAttempt& at = *keyframes[i];
    const int32_t frame = at.values.frame;
    if (frame < 0) {
        warnings.push_back({at.labelLine, platform::formatText(
            "frame %d is before the first frame, 0", static_cast<int>(frame))});
    }
    if (i > 0 && frame <= keyframes[i - 1]->values.frame) {
        const KeyframeAttempt& before = *keyframes[i - 1];
        warnings.push_back({at.labelLine, platform::formatText(
            "frame %d does not come after frame %d of the keyframe before it (line %d)",
            static_cast<int>(frame), static_cast<int>(before.values.frame), before.labelLine)});
    }
    if (source && source->frameCount > 0 && frame > source->frameCount - 1) {
        warnings.push_back({at.labelLine, platform::formatText(
            "frame %d is past the source's last frame, %d", static_cast<int>(frame),
            static_cast<int>(source->frameCount - 1))});
    }
}

void addViewWarnings(const KeyframeAttempt& at, bool outputShaped, std::vector<Warning>& warnings) {
    const Keyframe& k = at.values;
    if (k.zoom <= 0) {
        warnings.push_back({at.labelLine, platform::formatText(
            "zoom %d is 0 or less; the view shrinks to a single pixel", static_cast<int>(k.zoom))});
    } else if (k.zoom > 100) {
        warnings.push_back({at.labelLine, platform::formatText(
            "zoom %d is over 100; %s", static_cast<int>(k.zoom),
            outputShaped ? "the largest window of the output's shape is shown"
                         : "the whole frame is shown")});
    }
    const std::pair<const char*, int32_t> centres[] = {{"centerX", k.centerX},
                                                      {"centerY", k.centerY}};
    for (const auto& [name, value] : centres) {
        if (value >= 0 && value <= 100) continue;
        warnings.push_back({at.labelLine, platform::formatText(
            "%s %d is outside 0 to 100; the view is pushed back inside the frame", name,
            static_cast<int>(value))});
    }
}

// A T of 0 or less matters only where the segment would hold and ramp.
void addCodeWarnings(const PreviewInput& input, const KeyframeAttempt& at, size_t index,
                     std::vector<Warning>& warnings) {
    const int32_t code = at.values.transition;
    const std::optional<SourceInfo>& source = input.source;
    if (code < 0 || code > 3) {
        warnings.push_back({at.labelLine, platform::formatText(
            "transition code %d is not 0 to 3; the view stays as it was on the way to this "
            "keyframe",
            static_cast<int>(code))});
        return;
    }
    if (code == 0 || !source) return;
    const int32_t T = transitionFrames(code, input.job.transitionSeconds, source->fps);
    const int64_t length = segmentLength(input.job.keyframes, index);
    if (T > 0 || segmentKind(code, length, T) != SegmentKind::HoldThenRamp) return;
    warnings.push_back({at.labelLine, platform::formatText(
        "transition code %d gives T = %d frames at %g fps; the view jumps to this keyframe "
        "instead of ramping",
        static_cast<int>(code), static_cast<int>(T), source->fps)});
}

void addValueWarnings(const PreviewInput& input, std::vector<Warning>& warnings) {
    const Attempts keyframes = acceptedAttempts(input.report);
    const bool outputShaped = cropShapingOf(input.job).outputShaped;
    for (size_t i = 0; i < keyframes.size(); ++i) {
        addFrameWarnings(keyframes, i, input.source, warnings);
        addViewWarnings(*keyframes[i], outputShaped, warnings);
        addCodeWarnings(input, *keyframes[i], i, warnings);
    }
}

}  // namespace

void addKeyframeLineWarnings(const PreviewInput& input, std::vector<Warning>& warnings) {
    addReadingWarnings(input, warnings);
    addValueWarnings(input, warnings);
}

}  // namespace camdrift
