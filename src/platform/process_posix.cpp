// Child processes on POSIX systems: one run to its end, or one watched
// while it runs.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

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

// Both ends of a pipe; each closes when its Descriptor goes or is reset.
struct Pipe {
    Pipe() {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) == 0) {
            readEnd.reset(ends[0]);
            writeEnd.reset(ends[1]);
        }
    }
    bool ok() const { return readEnd.valid() && writeEnd.valid(); }

    Descriptor readEnd;
    Descriptor writeEnd;
};

// Runs in the forked child: only async-signal-safe calls from here on.
// The muxer must never read the tool's standard input: in a shell loop over
// a list of jobs that input is the list itself.
void redirectStreams(int outputFd) {
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (devNull >= 0) {
        dup2(devNull, STDIN_FILENO);
    }
    if (outputFd >= 0) {
        dup2(outputFd, STDOUT_FILENO);
        dup2(outputFd, STDERR_FILENO);
    }
}

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

// Reads until every writer has closed the pipe, keeping only the last
// kKeptOutputBytes so a chatty child can't grow the tool's memory.
std::string readTail(int fd) {
    std::string kept;
    std::vector<char> chunk(65536);
    for (;;) {
        const ssize_t got = read(fd, chunk.data(), chunk.size());
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            break;
        }
        kept.append(chunk.data(), static_cast<size_t>(got));
        if (kept.size() > 2 * kKeptOutputBytes) {
            kept.erase(0, kept.size() - kKeptOutputBytes);
        }
    }
    if (kept.size() > kKeptOutputBytes) {
        kept.erase(0, kept.size() - kKeptOutputBytes);
    }
    return kept;
}

// The forked child of a ChildProcess: only async-signal-safe calls from here on.
[[noreturn]] void becomeWatchedChild(char* const* argv, int outputFd, int reportFd) {
    setpgid(0, 0);
    restoreInterruptDefaultsInChild();
    signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    redirectStreams(outputFd);
    // Nothing else of the parent's (a listening socket, its files) lives on
    // in the child; the report pipe closes itself on exec.
    const unsigned keep = static_cast<unsigned>(reportFd);
    if (keep > 3) close_range(3, keep - 1, 0);
    close_range(keep + 1, ~0U, 0);
    execOrReport(argv, reportFd);
}

constexpr auto kReapPoll = std::chrono::milliseconds(10);

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

ProcessOutcome runProcess(const std::vector<std::string>& argv, bool captureOutput) {
    ProcessOutcome outcome;
    if (argv.empty()) {
        return outcome;
    }
    std::vector<std::string> arguments = argv;
    std::vector<char*> pointers = argumentPointers(arguments);

    Pipe report;
    Pipe output;
    if (!report.ok() || (captureOutput && !output.ok())) {
        return outcome;
    }
    // Whatever the tool printed so far comes before the child's own lines.
    std::fflush(stdout);

    const pid_t pid = fork();
    if (pid < 0) {
        return outcome;
    }
    if (pid == 0) {
        restoreInterruptDefaultsInChild();
        redirectStreams(captureOutput ? output.writeEnd.get() : -1);
        execOrReport(pointers.data(), report.writeEnd.get());
    }
    forwardInterruptsTo(pid);
    report.writeEnd.reset();
    output.writeEnd.reset();
    outcome.started = execSucceeded(report.readEnd.get());
    if (captureOutput) {
        outcome.output = readTail(output.readEnd.get());
    }

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

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
    if (argv.empty()) {
        return;
    }
    std::vector<std::string> arguments = argv;
    std::vector<char*> pointers = argumentPointers(arguments);
    Pipe report;
    Pipe output;
    if (!report.ok() || !output.ok()) {
        return;
    }
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0) {
        return;
    }
    if (pid == 0) {
        becomeWatchedChild(pointers.data(), output.writeEnd.get(), report.writeEnd.get());
    }
    pid_ = pid;
    report.writeEnd.reset();
    output.writeEnd.reset();
    output_ = std::move(output.readEnd);
    started_ = execSucceeded(report.readEnd.get());
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !reaped_) {
        kill();
        wait();
    }
}

bool ChildProcess::readOutput(std::string& text) {
    if (!output_.valid()) {
        return false;
    }
    std::vector<char> chunk(4096);
    for (;;) {
        const ssize_t got = read(output_.get(), chunk.data(), chunk.size());
        if (got > 0) {
            text.append(chunk.data(), static_cast<size_t>(got));
            return true;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        output_.reset();
        return false;
    }
}

void ChildProcess::sendSignal(int signalNumber) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pid_ > 0 && !reaped_) {
        ::kill(pid_, signalNumber);
    }
}

void ChildProcess::interrupt() { sendSignal(SIGINT); }

void ChildProcess::kill() { sendSignal(SIGKILL); }

// Polls instead of blocking in waitpid, so the lock is never held while the
// child runs and interrupt() always gets through.
ProcessOutcome ChildProcess::wait() {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (pid_ <= 0 || reaped_) {
                return outcome_;
            }
            int status = 0;
            const pid_t done = waitpid(pid_, &status, WNOHANG);
            if (done == pid_ || (done < 0 && errno != EINTR)) {
                reaped_ = true;
                outcome_.started = started_;
                if (done == pid_ && started_ && WIFEXITED(status)) {
                    outcome_.exited = true;
                    outcome_.exitStatus = WEXITSTATUS(status);
                } else if (done == pid_ && started_ && WIFSIGNALED(status)) {
                    outcome_.signal = WTERMSIG(status);
                }
                return outcome_;
            }
        }
        std::this_thread::sleep_for(kReapPoll);
    }
}

}  // namespace platform
}  // namespace camdrift
