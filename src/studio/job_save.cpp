#include "studio/job_save.h"

#include <optional>

#include "platform/platform.h"
#include "script/job_script_reader.h"

namespace camdrift {
namespace {

// Problems the page can fix field by field, told before anything is written.
std::string labelErrors(const StudioJob& job) {
    for (size_t i = 0; i < job.keyframes.size(); ++i) {
        if (const auto problem = labelProblem(job.keyframes[i].label)) {
            return platform::formatText("keyframe %zu, label \"%s\": %s", i + 1,
                                        job.keyframes[i].label.c_str(), problem->c_str());
        }
    }
    return "";
}

}  // namespace

SaveOutcome saveJobScript(const std::string& path, const StudioJob& job,
                          const std::string& decimalPoint) {
    SaveOutcome outcome;
    outcome.text = scriptText(job, decimalPoint);
    outcome.error = labelErrors(job);
    if (!outcome.error.empty()) return outcome;

    // The file a link names is replaced, keeping the link; and it keeps its
    // permissions (a private script stays private).
    const std::string target = platform::linkTarget(path);
    const std::string temp = platform::writeTempFileBeside(target, outcome.text);
    if (temp.empty()) {
        outcome.error = "can't write a new file in the job script's folder";
        return outcome;
    }
    // The file on disk, read as camdrift will read it.
    const std::optional<std::u16string> written = readJobScriptText(temp);
    const std::string difference =
        written ? firstDifference(job, jobFromText(*written, decimalPoint))
                : "the new file can't be read back";
    if (!difference.empty()) {
        platform::removeFile(temp);
        outcome.error = "not saved: " + difference;
        return outcome;
    }
    if (!platform::copyPermissions(target, temp) || !platform::replaceFile(temp, target)) {
        platform::removeFile(temp);
        outcome.error = "can't replace the job script with the new file";
        return outcome;
    }
    outcome.saved = true;
    return outcome;
}

}  // namespace camdrift
