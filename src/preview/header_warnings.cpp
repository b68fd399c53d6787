#include <cmath>

#include "platform/platform.h"
#include "preview/job_probes.h"
#include "preview/number_tokens.h"
#include "preview/shown_text.h"
#include "preview/warning_checks.h"
#include "script/utf8.h"

namespace camdrift {
namespace {

constexpr int kSourceLine = 2;
constexpr int kOutputLine = 3;
constexpr int kMuxerLine = 4;
constexpr int kCodecLine = 5;
constexpr int kTransitionLine = 6;
constexpr int kWidthLine = 7;
constexpr int kHeightLine = 8;

const char* const kWriterFails = "camdrift will print \"Writer not opened!\"";

void addFileWarnings(const PreviewInput& input, std::vector<Warning>& warnings) {
    const JobScript& job = input.job;
    const FileFacts& files = input.files;
    if (input.source && input.source->frameCount <= 0) {
        warnings.push_back({kSourceLine, platform::formatText(
            "the source reports %d frames; camdrift will write none",
            static_cast<int>(input.source->frameCount))});
    }
    if (files.outputIsSource) {
        warnings.push_back({kOutputLine, "the output is the source file; camdrift will refuse "
                                         "to run (\"Output file is the source file!\")"});
    }
    if (!files.outputFolderExists) {
        warnings.push_back({kOutputLine, std::string("the output's folder does not exist; ") +
                                             kWriterFails});
    }
    if (!job.muxerPath.empty() && !files.muxerIsExecutable) {
        warnings.push_back({kMuxerLine, "muxer " + quoted(job.muxerPath) +
                                            " is not an executable file; the output will "
                                            "have no sound"});
    }
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
    addFileWarnings(input, warnings);
    addTransitionWarning(input, warnings);
    addSideWarnings(kWidthLine, "width", report.widthScanned, report.widthToken,
                    input.job.outputWidth, input, warnings);
    addSideWarnings(kHeightLine, "height", report.heightScanned, report.heightToken,
                    input.job.outputHeight, input, warnings);
    addAspectWarning(input, warnings);
}

}  // namespace camdrift
