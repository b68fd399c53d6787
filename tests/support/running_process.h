// A child process that a test can watch and signal while it runs.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace testing_support {

// For a child forked from a test, before it execs: the child gets SIGTERM
// when `parent` ends, however it ends (a crash, SIGPIPE, SIGKILL), so no
// studio or run outlives the test that started it; a child whose parent is
// already gone ends at once. SIGTERM rather than SIGKILL: camdrift and the
// studio stop their own children (the muxer, a render) on it. The signal
// comes when the thread that forked ends, so fork from the test's own thread.
void endWithParent(pid_t parent);

class RunningProcess {
public:
    // Starts argv in a new session (so it has no controlling terminal) with
    // stdin from /dev/null, in `options.cwd` and with `options`' environment;
    // stdout is captured through a pipe, stderr as well. The child ends with
    // the test (endWithParent) and has SIGPIPE's default action whatever the
    // test set for itself.
    explicit RunningProcess(const std::vector<std::string>& argv, const RunOptions& options = {});
    ~RunningProcess();
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;

    // Reads stdout until it contains `text`; false when the process ended
    // or `seconds` passed first.
    bool waitForOutput(const std::string& text, double seconds);
    pid_t pid() const { return pid_; }
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
