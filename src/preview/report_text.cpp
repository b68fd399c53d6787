#include "preview/report_text.h"

#include <algorithm>

#include "platform/platform.h"
#include "render/crop_rect.h"
#include "render/frame_render.h"
#include "render/view_track.h"
#include "script/utf8.h"

namespace camdrift {

using platform::formatText;

// ---- Script text as shown ----

namespace {

std::string escapedByte(unsigned char byte) {
    switch (byte) {
        case '\n': return "\\n";
        case '\r': return "\\r";
        case '\t': return "\\t";
        case '\0': return "\\0";
        default: return formatText("\\x%02X", static_cast<unsigned>(byte));
    }
}

bool isControl(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

}  // namespace

std::string quoted(std::u16string_view text) {
    std::string shown = "\"";
    for (const unsigned char byte : encodeUtf8(text)) {
        if (byte == '"' || byte == '\\') {
            shown += '\\';
            shown += static_cast<char>(byte);
        } else if (isControl(byte)) {
            shown += escapedByte(byte);
        } else {
            shown += static_cast<char>(byte);
        }
    }
    return shown + "\"";
}

std::string codecCodeText(const CodecCode& code) {
    std::string shown;
    for (size_t i = 0; i < 4; ++i) {
        if (i > 0) shown += ' ';
        const unsigned char byte = code[i];
        const bool printable = byte > 0x20 && byte < 0x7F;
        shown += printable ? std::string(1, static_cast<char>(byte)) : escapedByte(byte);
    }
    return shown;
}

// ---- Keyframe segments ----

namespace {

bool holdsThenRamps(int32_t code) { return code >= 1 && code <= 3; }

const char* rampShareText(int32_t code) {
    switch (code) {
        case 1: return "twice the transition time";
        case 2: return "the transition time";
        default: return "half the transition time";
    }
}

}  // namespace

SegmentKind segmentKind(int32_t code, int64_t length, int32_t rampFrames) {
    if (code == 0) return SegmentKind::Linear;
    if (!holdsThenRamps(code)) return SegmentKind::Stays;
    return length <= rampFrames ? SegmentKind::Linear : SegmentKind::HoldThenRamp;
}

int64_t segmentLength(const std::vector<Keyframe>& keyframes, size_t index) {
    const int64_t start = index == 0 ? 0 : keyframes[index - 1].frame;
    return int64_t{keyframes[index].frame} - start;
}

std::string segmentText(int32_t code, int64_t length, double transitionSeconds,
                        std::optional<double> fps) {
    if (code == 0) return "linear";
    if (!holdsThenRamps(code)) return "the view stays as it was (unknown code)";
    if (!fps) return std::string("hold, then ramp over ") + rampShareText(code);
    const int32_t T = transitionFrames(code, transitionSeconds, *fps);
    switch (segmentKind(code, length, T)) {
        case SegmentKind::Linear:
            return formatText("linear (T = %d frames is not shorter than the segment)", T);
        case SegmentKind::HoldThenRamp:
            if (T <= 0) return formatText("hold, then jump (T = %d frames)", T);
            return formatText("hold, then ramp over %d frames", T);
        case SegmentKind::Stays:
            break;
    }
    return "the view stays as it was";
}

// ---- The report ----

namespace {

std::string muxerText(const JobScript& job) {
    return job.muxerPath.empty() ? "none (line 4 is empty): the output gets no sound"
                                 : quoted(job.muxerPath);
}

std::string transitionText(const PreviewInput& input) {
    if (!input.report.transitionScanned) return "not read, so 0 s";
    const double seconds = input.job.transitionSeconds;
    std::string text = formatText("%g s", seconds);
    if (!input.source) return text + " (T in frames needs the source's frame rate)";
    const double fps = input.source->fps;
    return text + formatText("; T = %d frames for code 1, %d for code 2, %d for code 3 at %g fps",
                             static_cast<int>(transitionFrames(1, seconds, fps)),
                             static_cast<int>(transitionFrames(2, seconds, fps)),
                             static_cast<int>(transitionFrames(3, seconds, fps)), fps);
}

std::string sideText(bool scanned, int32_t value) {
    return scanned ? formatText("%d", static_cast<int>(value)) : "(not read)";
}

std::string sourceText(const std::optional<SourceInfo>& source) {
    if (!source) return "can't be opened";
    return formatText("%d x %d, %g fps, %d frames", static_cast<int>(source->width),
                      static_cast<int>(source->height), source->fps,
                      static_cast<int>(source->frameCount));
}

std::string row(const char* name, const std::string& value) {
    return formatText("  %-13s %s\n", name, value.c_str());
}

// Only a job that asks for the output's shape gets the row: every other job
// crops as it always has.
std::string cropShapeRow(const PreviewInput& input) {
    const JobScript& job = input.job;
    if (job.cropShape != CropShape::Output) return "";
    const std::string shape = "the output's shape (crop=output on line 1)";
    const CropShaping shaping = cropShapingOf(job);
    if (!shaping.outputShaped) {
        return row("crop", shape + ", but without a usable output size the source's");
    }
    if (!input.source || input.source->width < 1 || input.source->height < 1) {
        return row("crop", shape + "; its largest window needs the source's size");
    }
    const cv::Size base = outputShapedBase(cv::Size(input.source->width, input.source->height),
                                           shaping.output);
    return row("crop", shape + formatText(": a window of at most %d x %d, zoom 100 and up",
                                          base.width, base.height));
}

// Characters on screen, not bytes: UTF-8 continuation bytes don't count.
size_t shownWidth(const std::string& utf8) {
    return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string padded(const std::string& text, size_t width) {
    const size_t shown = shownWidth(text);
    return shown >= width ? text : text + std::string(width - shown, ' ');
}

size_t labelWidth(const std::vector<const KeyframeAttempt*>& keyframes) {
    size_t width = 5;  // "label"
    for (const KeyframeAttempt* k : keyframes) {
        width = std::max(width, shownWidth(quoted(k->label)));
    }
    return width;
}

}  // namespace

std::string describeReading(const PreviewInput& input, const std::string& scriptPath) {
    const JobScript& job = input.job;
    const ReadReport& report = input.report;
    std::string text = formatText("Job script %s, read as:\n",
                                  quoted(decodeUtf8(scriptPath)).c_str());
    text += row("source video", quoted(job.inputPath));
    text += row("output video", quoted(job.outputPath));
    text += row("muxer", muxerText(job));
    text += row("codec code", codecCodeText(job.codecCode));
    text += row("transition", transitionText(input));
    text += row("output size", sideText(report.widthScanned, job.outputWidth) + " x " +
                                   sideText(report.heightScanned, job.outputHeight));
    text += cropShapeRow(input);
    text += row("source", sourceText(input.source));
    return text + keyframeTable(input);
}

std::string keyframeTable(const PreviewInput& input) {
    const std::vector<const KeyframeAttempt*> keyframes = acceptedAttempts(input.report);
    std::string text = formatText("Keyframes: %zu accepted of %zu attempts (one per line after "
                                  "line 8)\n",
                                  keyframes.size(), input.report.attempts.size());
    if (keyframes.empty()) return text + "  none: every frame shows the whole source frame\n";
    const size_t width = labelWidth(keyframes);
    text += formatText("  %5s  %s %8s %6s %8s %8s %5s  %s\n", "line",
                       padded("label", width).c_str(), "frame", "zoom", "centerX", "centerY",
                       "code", "how the view gets there");
    std::optional<double> fps;
    if (input.source) fps = input.source->fps;
    for (size_t i = 0; i < keyframes.size(); ++i) {
        const KeyframeAttempt& k = *keyframes[i];
        const Keyframe& v = k.values;
        const int64_t length = segmentLength(input.job.keyframes, i);
        const std::string movement =
            segmentText(v.transition, length, input.job.transitionSeconds, fps);
        text += formatText("  %5d  %s %8d %6d %8d %8d %5d  %s\n", k.labelLine,
                           padded(quoted(k.label), width).c_str(), static_cast<int>(v.frame),
                           static_cast<int>(v.zoom), static_cast<int>(v.centerX),
                           static_cast<int>(v.centerY), static_cast<int>(v.transition),
                           movement.c_str());
    }
    return text;
}

}  // namespace camdrift
