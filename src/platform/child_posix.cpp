// A watched child process on POSIX systems: output through a pipe, signals
// on request, reaped without blocking its signaller.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/platform.h"

namespace camdrift {
namespace platform {

namespace {

constexpr auto kReapPoll = std::chrono::milliseconds(10);

std::vector<char*> argumentPointers(std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (auto& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return pointers;
}

void closeIfOpen(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

// Runs in the forked child: only async-signal-safe calls from here on.
[[noreturn]] void becomeChild(char* const* argv, int outputFd, int reportFd) {
    setpgid(0, 0);
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ}) {
        signal(signalNumber, SIG_DFL);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0) {
        dup2(devNull, STDIN_FILENO);
        close(devNull);
    }
    dup2(outputFd, STDOUT_FILENO);
    dup2(outputFd, STDERR_FILENO);
    // Nothing else of the parent's (its listening socket, its files) lives
    // on in the child; the report pipe closes itself on exec.
    const unsigned keep = static_cast<unsigned>(reportFd);
    if (keep > 3) close_range(3, keep - 1, 0);
    close_range(keep + 1, ~0U, 0);
    execv(argv[0], argv);
    const int error = errno;
    ssize_t ignored = write(reportFd, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
    if (argv.empty()) return;
    std::vector<std::string> arguments = argv;
    std::vector<char*> pointers = argumentPointers(arguments);
    int output[2];
    int report[2];
    if (pipe2(output, O_CLOEXEC) != 0) return;
    if (pipe2(report, O_CLOEXEC) != 0) {
        close(output[0]);
        close(output[1]);
        return;
    }
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) becomeChild(pointers.data(), output[1], report[1]);
    close(output[1]);
    close(report[1]);
    if (pid < 0) {
        close(output[0]);
        close(report[0]);
        return;
    }
    pid_ = pid;
    outputFd_ = output[0];
    // The report pipe closes on a successful exec; a failed one sends errno.
    int error = 0;
    ssize_t got;
    do {
        got = read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    started_ = got == 0;
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !reaped_) {
        kill();
        wait();
    }
    closeIfOpen(outputFd_);
}

bool ChildProcess::readOutput(std::string& text) {
    if (outputFd_ < 0) return false;
    std::vector<char> chunk(4096);
    for (;;) {
        const ssize_t got = read(outputFd_, chunk.data(), chunk.size());
        if (got > 0) {
            text.append(chunk.data(), static_cast<size_t>(got));
            return true;
        }
        if (got < 0 && errno == EINTR) continue;
        closeIfOpen(outputFd_);
        return false;
    }
}

void ChildProcess::sendSignal(int signalNumber) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pid_ > 0 && !reaped_) ::kill(pid_, signalNumber);
}

void ChildProcess::interrupt() { sendSignal(SIGINT); }

void ChildProcess::kill() { sendSignal(SIGKILL); }

// Polls instead of blocking in waitpid, so the lock is never held while the
// child runs and interrupt() always gets through.
ProcessOutcome ChildProcess::wait() {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (pid_ <= 0 || reaped_) return outcome_;
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

std::string executableFolder() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t got = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (got < 0) return "";
        if (static_cast<size_t>(got) < buffer.size()) {
            const std::string path(buffer.data(), static_cast<size_t>(got));
            const size_t slash = path.rfind('/');
            return slash == std::string::npos ? "" : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace platform
}  // namespace camdrift
