// A child process that a test can watch and signal while it runs.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace testing_support {

class RunningProcess {
public:
    // Starts argv in a new session (so it has no controlling terminal) with
    // stdin from /dev/null, in `options.cwd` and with `options`' environment;
    // stdout is captured through a pipe, stderr as well.
    explicit RunningProcess(const std::vector<std::string>& argv, const RunOptions& options = {});
    ~RunningProcess();
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;

    // Reads stdout until it contains `text`; false when the process ended
    // or `seconds` passed first.
    bool waitForOutput(const std::string& text, double seconds);
    // What stdout gave so far.
    const std::string& outputSoFar() const { return result_.out; }
    void signal(int signalNumber);
    // Reads the rest of the output and waits for the end.
    RunResult finish();

private:
    void readAvailable(int timeoutMs);

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    RunResult result_;
};

// True once `path` exists, polling for at most `seconds`.
bool waitForFile(const std::string& path, double seconds);

}  // namespace testing_support
