// Child processes on POSIX systems.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/interrupt_posix.h"
#include "platform/platform.h"

namespace camdrift {
namespace platform {

namespace {

std::vector<char*> argumentPointers(std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (auto& argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Runs in the forked child: only async-signal-safe calls from here on.
[[noreturn]] void execOrReport(char* const* argv, int reportFd) {
    // execv, not execvp: the program is run exactly as named, never searched
    // for on PATH, so a bare name means a file in the current directory.
    execv(argv[0], argv);
    const int error = errno;
    ssize_t ignored = write(reportFd, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

// The report pipe closes on a successful exec, so an empty read means the
// program started; a failed exec sends its errno first.
bool execSucceeded(int reportFd) {
    int error = 0;
    ssize_t got;
    do {
        got = read(reportFd, &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    return got == 0;
}

int waitForChild(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return status;
}

}  // namespace

ProcessOutcome runProcess(const std::vector<std::string>& argv) {
    ProcessOutcome outcome;
    if (argv.empty()) {
        return outcome;
    }
    std::vector<std::string> arguments = argv;
    std::vector<char*> pointers = argumentPointers(arguments);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        return outcome;
    }
    // Whatever the tool printed so far comes before the child's own lines.
    std::fflush(stdout);

    const pid_t pid = fork();
    if (pid < 0) {
        close(report[0]);
        close(report[1]);
        return outcome;
    }
    if (pid == 0) {
        restoreInterruptDefaultsInChild();
        close(report[0]);
        execOrReport(pointers.data(), report[1]);
    }
    forwardInterruptsTo(pid);
    close(report[1]);
    outcome.started = execSucceeded(report[0]);
    close(report[0]);

    const int status = waitForChild(pid);
    forwardInterruptsTo(0);
    if (!outcome.started || status < 0) {
        return outcome;
    }
    if (WIFEXITED(status)) {
        outcome.exited = true;
        outcome.exitStatus = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        outcome.signal = WTERMSIG(status);
    }
    return outcome;
}

}  // namespace platform
}  // namespace camdrift
