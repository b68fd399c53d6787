// camdrift-studio from its command line to the stop.
#pragma once

namespace camdrift {

// Returns the process's exit status: 0 after a clean stop (or for --help
// and --version), 1 when the job script, the source or the port can't be
// used, 2 for a wrong command line.
int runStudio(int argc, char** argv);

}  // namespace camdrift
