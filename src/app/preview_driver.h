// camdrift-preview JOBSCRIPT [SHEET.png]: how a job script is read, what in
// it is likely a mistake, and optionally a contact sheet of the camera path.
#pragma once

namespace camdrift {

constexpr int kPreviewClean = 0;       // nothing to warn about
constexpr int kPreviewWarnings = 1;    // at least one warning
constexpr int kPreviewUnreadable = 2;  // the script or the source can't be read, or no sheet

// Returns the process's exit status.
int runPreview(int argc, char** argv);

}  // namespace camdrift
