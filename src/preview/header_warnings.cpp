#include <cmath>

#include "platform/platform.h"
#include "preview/number_tokens.h"
#include "preview/report_text.h"
#include "preview/warning_checks.h"
#include "script/scanf_scan.h"
#include "script/utf8.h"

namespace camdrift {
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
    const SourceInfo& source = *input.source;
    if (source.width <= 0 || source.height <= 0) return;
    if (!stretches(job.outputWidth, job.outputHeight, source.width, source.height)) return;
    warnings.push_back({kWidthLine, platform::formatText(
        "output size %d x %d has another aspect ratio than the source's %d x %d; the "
        "picture will be stretched",
        static_cast<int>(job.outputWidth), static_cast<int>(job.outputHeight),
        static_cast<int>(source.width), static_cast<int>(source.height))});
}

}  // namespace

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

}  // namespace camdrift
