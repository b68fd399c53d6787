#include "finish/temp_path.h"
#include "platform/platform.h"
#include "preview/job_facts.h"
#include "preview/report_text.h"
#include "preview/warning_checks.h"
#include "script/utf8.h"

namespace camdrift {
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

}  // namespace

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

}  // namespace camdrift
