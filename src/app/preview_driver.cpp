#include "app/preview_driver.h"

#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/version_text.h"
#include "platform/platform.h"
#include "preview/contact_sheet.h"
#include "preview/job_facts.h"
#include "preview/job_warnings.h"
#include "preview/opencv_probes.h"
#include "preview/report_text.h"
#include "script/job_script_reader.h"
#include "script/utf8.h"
#include "video/video_library_quiet.h"

namespace camdrift {
namespace {

std::string shownPath(const std::string& path) { return quoted(decodeUtf8(path)); }

std::string framesText(const std::vector<int32_t>& frames) {
    std::string text;
    for (int32_t frame : frames) {
        text += (text.empty() ? "" : ", ") + std::to_string(frame);
    }
    return text.empty() ? "none" : text;
}

std::string sheetTitle(const std::string& scriptPath, const PreviewInput& input) {
    const SourceInfo& source = *input.source;
    return platform::formatText("%s: source %d x %d, %g fps, %d frames; output %d x %d",
                                scriptPath.c_str(), static_cast<int>(source.width),
                                static_cast<int>(source.height), source.fps,
                                static_cast<int>(source.frameCount),
                                static_cast<int>(input.job.outputWidth),
                                static_cast<int>(input.job.outputHeight));
}

bool writeSheet(const std::string& sheetPath, const std::string& scriptPath,
                const PreviewInput& input, platform::Console& console) {
    const ContactSheet sheet = makeContactSheet(input.job, *input.source,
                                                sheetTitle(scriptPath, input));
    if (!writePng(sheetPath, sheet.image)) {
        console.print("error: can't write the contact sheet %s\n", shownPath(sheetPath).c_str());
        return false;
    }
    console.print("Contact sheet %s: %d x %d, frames %s", shownPath(sheetPath).c_str(),
                  sheet.image.cols, sheet.image.rows, framesText(sheet.frames).c_str());
    if (sheet.decoded < sheet.frames.size()) {
        console.print(" (%zu could not be decoded)", sheet.frames.size() - sheet.decoded);
    }
    console.print("\n");
    return true;
}

void printWarnings(const std::vector<Warning>& warnings, platform::Console& console) {
    for (const Warning& warning : warnings) console.write(warningLine(warning));
}

int previewJob(const std::string& scriptPath, const char* sheetPath, const std::u16string& text,
               platform::Console& console) {
    PreviewInput input = readPreviewInput(text, std::localeconv()->decimal_point);
    VideoLibraryQuiet quiet;
    input.source = probeSource(input.job);
    if (input.source) input.sourceTiming = probeSourceTiming(input.job, *input.source);
    const char* searchPath = std::getenv("PATH");
    input.files = probeFiles(input.job, searchPath ? searchPath : "");
    // Without the source's frame rate the writer isn't tried; a size the run
    // rejects before opening is told by its own warning.
    if (input.source && input.job.outputWidth > 0 && input.job.outputHeight > 0) {
        input.files.writerOpens = writerOpensLike(input.job, input.source->fps);
    }
    console.write(describeReading(input, scriptPath));
    const std::vector<Warning> warnings = checkJob(input);
    printWarnings(warnings, console);
    if (!input.source) {
        console.print("error: line 2: can't open the source video %s\n",
                      quoted(input.job.inputPath).c_str());
        return kPreviewUnreadable;
    }
    if (sheetPath && !writeSheet(sheetPath, scriptPath, input, console)) {
        return kPreviewUnreadable;
    }
    if (warnings.empty()) {
        console.print("No warnings.\n");
        return kPreviewClean;
    }
    console.print("%zu warning%s.\n", warnings.size(), warnings.size() == 1 ? "" : "s");
    return kPreviewWarnings;
}

const char* const kPreviewHelp =
    "Usage: camdrift-preview JOBSCRIPT [SHEET.png]\n"
    "Shows how camdrift will read and run a job script, without rendering it:\n"
    "the paths, codec code, transition time, sizes and keyframes as read, one\n"
    "warning per trap, and with SHEET.png a contact sheet of the camera's path.\n"
    "\n"
    "Exit status: 0 no warnings; 1 at least one warning; 2 the job script or the\n"
    "source can't be read, or the sheet can't be written.\n";

}  // namespace

int runPreview(int argc, char** argv) {
    platform::Console console(stdout);
    switch (requestOf(argc, argv, platform::fileExists)) {
        case Request::Usage:
            console.print("Usage: camdrift-preview JOBSCRIPT [SHEET.png]\n");
            return kPreviewUnreadable;
        case Request::Help:
            console.write(kPreviewHelp);
            return kPreviewClean;
        case Request::Version:
            console.write(versionText("camdrift-preview"));
            return kPreviewClean;
        case Request::Run:
            break;
    }
    std::setlocale(LC_ALL, "");
    const std::optional<std::u16string> text = readJobScriptText(argv[1]);
    if (!text) {
        console.print("error: can't read the job script %s\n", shownPath(argv[1]).c_str());
        console.flush();
        return kPreviewUnreadable;
    }
    const int status = previewJob(argv[1], argc > 2 ? argv[2] : nullptr, *text, console);
    console.flush();
    return status;
}

}  // namespace camdrift
