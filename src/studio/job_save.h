// Saving the page's job over the script file: written beside it, read back
// with the tool's reader, and moved into place only when the reading is the
// job the page shows. Otherwise the file is left as it was.
#pragma once

#include <string>

#include "studio/studio_job.h"

namespace camdrift {

struct SaveOutcome {
    bool saved = false;
    std::string error;  // why not, when not saved
    std::string text;   // the script text that was (or would have been) written
};

SaveOutcome saveJobScript(const std::string& path, const StudioJob& job,
                          const std::string& decimalPoint);

}  // namespace camdrift
