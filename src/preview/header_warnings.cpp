#include <cmath>

#include "platform/platform.h"
#include "preview/number_tokens.h"
#include "preview/shown_text.h"
#include "preview/warning_checks.h"
#include "script/utf8.h"

namespace camdrift {
namespace {

constexpr int kTransitionLine = 6;
constexpr int kWidthLine = 7;
constexpr int kHeightLine = 8;

void addTransitionWarning(const PreviewInput& input, std::vector<Warning>& warnings) {
    if (!input.report.transitionScanned) {
        warnings.push_back({kTransitionLine, "no transition time could be read; it is 0 s"});
    }
}

// One side of the output size, read from `token` into `value`.
void addSideWarnings(int line, const char* side, bool scanned, const std::u16string& token,
                     int32_t value, const PreviewInput& input, std::vector<Warning>& warnings) {
    if (!scanned) {
        std::string text = platform::formatText("no output %s could be read; %s", side,
                                                kWriterFails);
        if (line == kWidthLine && input.report.transitionScanned) {
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
    addTransitionWarning(input, warnings);
    addSideWarnings(kWidthLine, "width", report.widthScanned, report.widthToken,
                    input.job.outputWidth, input, warnings);
    addSideWarnings(kHeightLine, "height", report.heightScanned, report.heightToken,
                    input.job.outputHeight, input, warnings);
    addAspectWarning(input, warnings);
}

}  // namespace camdrift
