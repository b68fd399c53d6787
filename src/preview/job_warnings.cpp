#include "preview/job_warnings.h"

#include <algorithm>
#include <cmath>

#include "finish/temp_path.h"
#include "platform/platform.h"
#include "preview/keyframe_warnings.h"
#include "preview/report_text.h"
#include "render/frame_render.h"
#include "script/scanf_scan.h"
#include "script/title_settings.h"
#include "script/utf8.h"
#include "video/upright_frame.h"

namespace camdrift {
namespace {

// How a warning says that the run will stop before writing a frame.
constexpr char kWriterFails[] = "camdrift will print \"Writer not opened!\"";

}  // namespace

// ---- Line 2: what the source's frames are like ----

namespace {

constexpr int kSourceLine = 2;

void addRotationWarning(const SourceInfo& source, std::vector<Warning>& warnings) {
    if (source.rotation == 0) return;
    const char* outcome = turnsFrames(source.rotation) ? "camdrift shows it upright"
                                                       : "camdrift leaves its frames as stored";
    warnings.push_back({kSourceLine, platform::formatText(
        "the source is rotated %d degree%s by its metadata; %s (%d x %d)",
        static_cast<int>(source.rotation), source.rotation == 1 ? "" : "s", outcome,
        static_cast<int>(source.width), static_cast<int>(source.height))});
}

// The range of rates is left out when two frames share a time: an infinite
// rate tells nothing.
void addTimingWarning(const FrameTiming& timing, std::vector<Warning>& warnings) {
    if (!unevenByAFrame(timing)) return;
    const std::string rates =
        std::isfinite(timing.highestFps)
            ? platform::formatText(" (%.4g to %.4g fps)", timing.lowestFps, timing.highestFps)
            : "";
    const std::string part =
        timing.wholeSource
            ? ""
            : platform::formatText(" in its first %.0f s, as far as the preview reads",
                                   timing.spanSeconds);
    warnings.push_back({kSourceLine, platform::formatText(
        "the source has a variable frame rate%s; camdrift writes every frame at %g fps, so "
        "the picture drifts from the sound by up to %.3f s%s",
        rates.c_str(), timing.writtenFps, timing.driftSeconds, part.c_str())});
}

void addSourceWarnings(const PreviewInput& input, std::vector<Warning>& warnings) {
    if (!input.source) return;
    const SourceInfo& source = *input.source;
    if (source.frameCount <= 0) {
        warnings.push_back({kSourceLine, platform::formatText(
            "the source reports %d frames; camdrift will write none",
            static_cast<int>(source.frameCount))});
    }
    addRotationWarning(source, warnings);
    if (input.sourceTiming) addTimingWarning(*input.sourceTiming, warnings);
}

}  // namespace

// ---- Lines 3 to 5: the output, the muxer, and whether the writer opens ----

namespace {

constexpr int kOutputLine = 3;
constexpr int kMuxerLine = 4;
constexpr int kCodecLine = 5;

std::string tooLongText(const TooLongName& name) {
    return platform::formatText(
        "%s is %zu bytes long; its file system takes names of at most %ld bytes; %s",
        name.isFileName ? "the output's file name" : "a folder name in the output's path",
        name.bytes, name.mostBytes, kWriterFails);
}

// A folder whose name is too long can't exist: only the length is told.
void addOutputWarnings(const FileFacts& files, std::vector<Warning>& warnings) {
    if (files.outputIsSource) {
        warnings.push_back({kOutputLine, "the output is the source file; camdrift will refuse "
                                         "to run (\"Output file is the source file!\")"});
    }
    const bool folderTooLong = files.outputNameTooLong && !files.outputNameTooLong->isFileName;
    if (!files.outputFolderExists && !folderTooLong) {
        warnings.push_back(
            {kOutputLine, std::string("the output's folder does not exist; ") + kWriterFails});
    } else if (!files.outputFolderWritable) {
        warnings.push_back({kOutputLine, std::string("the output's folder can't be written by "
                                                     "this user; ") +
                                             kWriterFails});
    }
    if (files.outputNameTooLong) {
        warnings.push_back({kOutputLine, tooLongText(*files.outputNameTooLong)});
    }
}

// A muxer named without a folder is run from the current folder, never
// looked up on PATH as a shell would.
void addMuxerWarning(const JobScript& job, const FileFacts& files,
                     std::vector<Warning>& warnings) {
    if (job.muxerPath.empty() || files.muxerIsExecutable) return;
    std::string text = "muxer " + quoted(job.muxerPath) +
                       (files.muxerExists ? " is not an executable file" : " does not exist");
    if (job.muxerPath.find(u'/') == std::u16string::npos) {
        text += " (camdrift doesn't look it up on PATH";
        if (!files.muxerOnPath.empty()) text += ": write " + quoted(decodeUtf8(files.muxerOnPath));
        text += ")";
    }
    warnings.push_back({kMuxerLine, text + "; the output will have no sound"});
}

void addFileWarnings(const PreviewInput& input, std::vector<Warning>& warnings) {
    const JobScript& job = input.job;
    const FileFacts& files = input.files;
    addOutputWarnings(files, warnings);
    addMuxerWarning(job, files, warnings);
    if (files.writerOpens == false && input.source) {
        const std::string extension = outputExtension(encodeUtf8(job.outputPath));
        warnings.push_back({kCodecLine, platform::formatText(
            "OpenCV's writer can't write a \"%s\" file with codec code %s at %d x %d and %g "
            "fps; %s",
            extension.c_str(), codecCodeText(job.codecCode).c_str(),
            static_cast<int>(job.outputWidth), static_cast<int>(job.outputHeight),
            input.source->fps, kWriterFails)});
    }
}

}  // namespace

// ---- Lines 6 to 8: the transition time and the output size ----

namespace {

constexpr int kTransitionLine = 6;
constexpr int kWidthLine = 7;
constexpr int kHeightLine = 8;

std::u16string withoutBlanks(const std::u16string& text) {
    const size_t first = text.find_first_not_of(u" \t\r\v\f");
    if (first == std::u16string::npos) return u"";
    return text.substr(first, text.find_last_not_of(u" \t\r\v\f") - first + 1);
}

// Text after the number ("1.5 s") is where the next scans start: an
// integer there becomes the output width; anything else stops the width
// and height scans and is then read as a keyframe's label.
std::string restOutcome(const std::u16string& rest, const ReadReport& report) {
    if (scanInt(rest, 0).converted) return "the output width is read from it";
    if (report.attempts.empty()) return "the output width and height can't be read past it";
    return "the output width and height can't be read past it, and the first keyframe's label "
           "is read from it";
}

void addTransitionWarnings(const PreviewInput& input, std::vector<Warning>& warnings) {
    const ReadReport& report = input.report;
    if (!report.transitionScanned) {
        warnings.push_back({kTransitionLine, "no transition time could be read; it is 0 s"});
        return;
    }
    const std::u16string rest = withoutBlanks(report.transitionRest);
    if (rest.empty()) return;
    warnings.push_back({kTransitionLine, platform::formatText(
        "text %s after the transition time %s is not part of it; %s", quoted(rest).c_str(),
        encodeUtf8(report.transitionToken).c_str(), restOutcome(rest, report).c_str())});
}

// "1,5" under a locale that writes "1.5" reads as 1 and leaves ",5" for the
// width. Other text after the number ("1.5 s") is told on its own line.
bool mayBeOtherSeparator(const ReadReport& report) {
    if (!report.transitionScanned) return false;
    const std::u16string rest = withoutBlanks(report.transitionRest);
    return rest.empty() || rest[0] == u',' || rest[0] == u'.';
}

// One side of the output size, read from `token` into `value`.
void addSideWarnings(int line, const char* side, bool scanned, const std::u16string& token,
                     int32_t value, const PreviewInput& input, std::vector<Warning>& warnings) {
    if (!scanned) {
        std::string text = platform::formatText("no output %s could be read; %s", side,
                                                kWriterFails);
        if (line == kWidthLine && mayBeOtherSeparator(input.report)) {
            text += platform::formatText(
                " (is the transition time written with another decimal separator than "
                "this locale's \"%s\"?)",
                input.decimalPoint.c_str());
        }
        warnings.push_back({line, text});
        return;
    }
    if (readsAsSurprisingOctal(token)) {
        warnings.push_back({line, platform::formatText("output %s %s is read as octal: %d",
                                                       side, quoted(token).c_str(),
                                                       static_cast<int>(value))});
    }
    if (value <= 0) {
        warnings.push_back({line, platform::formatText("output %s %d is not a usable size; %s",
                                                       side, static_cast<int>(value),
                                                       kWriterFails)});
    }
}

// Within a pixel of the source's aspect ratio on either side counts as the same.
bool stretches(int64_t outW, int64_t outH, int64_t srcW, int64_t srcH) {
    const double matchingHeight = static_cast<double>(outW) * srcH / srcW;
    const double matchingWidth = static_cast<double>(outH) * srcW / srcH;
    return std::fabs(matchingHeight - outH) >= 1.0 && std::fabs(matchingWidth - outW) >= 1.0;
}

// OpenCV's writer rounds each side down to even whatever the codec and
// keeps the top-left part of every frame. A side of 1 becomes 0 and the
// writer doesn't open: the writer's own warning tells that.
void addOddSizeWarning(const JobScript& job, std::vector<Warning>& warnings) {
    const int32_t width = job.outputWidth;
    const int32_t height = job.outputHeight;
    if (width <= 1 || height <= 1) return;
    const bool oddWidth = width % 2 != 0;
    const bool oddHeight = height % 2 != 0;
    if (!oddWidth && !oddHeight) return;
    const char* dropped = !oddHeight ? "the last column" : !oddWidth ? "the last row"
                                                                     : "the last column and row";
    warnings.push_back({oddWidth ? kWidthLine : kHeightLine, platform::formatText(
        "output size %d x %d is written as %d x %d: OpenCV's writer rounds each side down to "
        "an even number and drops %s",
        static_cast<int>(width), static_cast<int>(height), static_cast<int>(width & ~1),
        static_cast<int>(height & ~1), dropped)});
}

void addAspectWarning(const PreviewInput& input, std::vector<Warning>& warnings) {
    const JobScript& job = input.job;
    if (!input.source || job.outputWidth <= 0 || job.outputHeight <= 0) return;
    if (cropShapingOf(job).outputShaped) return;  // the window has the output's shape
    const SourceInfo& source = *input.source;
    if (source.width <= 0 || source.height <= 0) return;
    if (!stretches(job.outputWidth, job.outputHeight, source.width, source.height)) return;
    warnings.push_back({kWidthLine, platform::formatText(
        "output size %d x %d has another aspect ratio than the source's %d x %d; the "
        "picture will be stretched (write crop=output on line 1 to crop in the output's shape "
        "instead)",
        static_cast<int>(job.outputWidth), static_cast<int>(job.outputHeight),
        static_cast<int>(source.width), static_cast<int>(source.height))});
}

void addHeaderWarnings(const PreviewInput& input, std::vector<Warning>& warnings) {
    const ReadReport& report = input.report;
    addTransitionWarnings(input, warnings);
    addSideWarnings(kWidthLine, "width", report.widthScanned, report.widthToken,
                    input.job.outputWidth, input, warnings);
    addSideWarnings(kHeightLine, "height", report.heightScanned, report.heightToken,
                    input.job.outputHeight, input, warnings);
    addOddSizeWarning(input.job, warnings);
    addAspectWarning(input, warnings);
}

}  // namespace

// ---- Line 1: settings among the title's words ----

namespace {

constexpr int kTitleLine = 1;

void addSettingWarnings(const PreviewInput& input, std::vector<Warning>& warnings) {
    for (const std::u16string& word : misspeltSettingWords(input.report.title)) {
        warnings.push_back({kTitleLine, platform::formatText(
            "%s looks like a setting but isn't one camdrift knows, so it changes nothing "
            "(the settings are crop=output and crop=source, in lower case)",
            quoted(word).c_str())});
    }
}

}  // namespace

// ---- Number tokens ----

bool readsAsSurprisingOctal(const std::u16string& token) {
    size_t pos = !token.empty() && (token[0] == u'+' || token[0] == u'-') ? 1 : 0;
    if (pos + 1 >= token.size() || token[pos] != u'0' || token[pos + 1] == u'x' ||
        token[pos + 1] == u'X') {
        return false;
    }
    while (pos < token.size() && token[pos] == u'0') ++pos;
    // Below 8, the octal and the decimal value agree.
    return token.size() - pos > 1;
}

bool isNumberToken(const std::u16string& token) {
    const Scan<int32_t> number = scanInt(token, 0);
    return number.converted && number.begin == 0 && number.end == token.size();
}

// ---- All warnings ----

std::vector<Warning> checkJob(const PreviewInput& input) {
    std::vector<Warning> warnings;
    addSettingWarnings(input, warnings);
    addSourceWarnings(input, warnings);
    addFileWarnings(input, warnings);
    addHeaderWarnings(input, warnings);
    addKeyframeLineWarnings(input, warnings);
    std::stable_sort(warnings.begin(), warnings.end(),
                     [](const Warning& a, const Warning& b) { return a.line < b.line; });
    return warnings;
}

std::string warningLine(const Warning& warning) {
    return platform::formatText("warning: line %d: %s\n", warning.line, warning.text.c_str());
}

}  // namespace camdrift
