// The run from the command line to the closing message.
#pragma once

namespace camdrift {

// Returns the process's exit status.
int runDriver(int argc, char** argv);

}  // namespace camdrift
