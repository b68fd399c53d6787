// What the command line asks camdrift for.
#pragma once

#include <functional>
#include <string>

namespace camdrift {

enum class Request {
    Usage,    // no argument
    Help,     // --help or -h
    Version,  // --version
    Run,      // argv[1] is the job script
};

// --help, -h and --version count only when no file of that name exists:
// a job script called "-h" still runs, as it always did.
Request requestOf(int argc, char** argv,
                  const std::function<bool(const std::string&)>& fileExists);

// camdrift's own help.
std::string helpText();

}  // namespace camdrift
