// What `camdrift-studio` is asked on its command line.
#pragma once

#include <string>
#include <vector>

namespace camdrift {

struct StudioArguments {
    enum class Kind { Help, Version, Open, Create, Wrong };
    Kind kind = Kind::Wrong;
    std::string scriptPath;
    std::string sourcePath;  // with --source: a new script for this video
    int port = 0;            // 0: any free port
    std::string problem;     // with Wrong: what is wrong
};

// `args` without the program name: JOBSCRIPT [--source VIDEO] [--port N],
// options before or after the script; or --help, -h, --version alone.
StudioArguments parseStudioArguments(const std::vector<std::string>& args);

std::string studioHelpText();

}  // namespace camdrift
