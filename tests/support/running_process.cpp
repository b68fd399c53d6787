#include "running_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace testing_support {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The test's own environment with the options' changes.
std::vector<std::string> buildEnvironment(const RunOptions& options) {
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const auto eq = text.find('=');
        if (eq != std::string::npos) merged[text.substr(0, eq)] = text.substr(eq + 1);
    }
    for (const auto& name : options.unsetEnv) merged.erase(name);
    for (const auto& [name, value] : options.env) merged[name] = value;
    std::vector<std::string> result;
    for (const auto& [name, value] : merged) result.push_back(name + "=" + value);
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& s : strings) result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

}  // namespace

void endWithParent(pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    // A parent that died between the fork and prctl sent nothing; the child
    // then belongs to another process already.
    if (getppid() != parent) {
        _exit(125);
    }
}

RunningProcess::RunningProcess(const std::vector<std::string>& argv, const RunOptions& options) {
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::vector<std::string> args = argv;
    std::vector<std::string> environment = buildEnvironment(options);
    std::vector<char*> argPointers = pointers(args);
    std::vector<char*> envPointers = pointers(environment);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        endWithParent(parent);
        ::signal(SIGPIPE, SIG_DFL);
        setsid();
        int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) {
            _exit(126);
        }
        execve(argPointers[0], argPointers.data(), envPointers.data());
        _exit(127);
    }
    if (pid_ < 0) {
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
        throw std::runtime_error("fork failed");
    }
    close(outPipe[1]);
    close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
}

RunningProcess::~RunningProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        finish();
    }
}

void RunningProcess::readAvailable(int timeoutMs) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    std::string* sinks[2] = {&result_.out, &result_.err};
    if (poll(fds, 2, timeoutMs) <= 0) {
        return;
    }
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        char buffer[65536];
        ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0) {
            sinks[i]->append(buffer, static_cast<size_t>(n));
        } else {
            close(fds[i].fd);
            (i == 0 ? outFd_ : errFd_) = -1;
        }
    }
}

bool RunningProcess::waitForOutput(const std::string& text, double seconds) {
    const auto start = Clock::now();
    while (result_.out.find(text) == std::string::npos) {
        if (outFd_ < 0 || secondsSince(start) > seconds) {
            return false;
        }
        readAvailable(50);
    }
    return true;
}

void RunningProcess::signal(int signalNumber) {
    kill(pid_, signalNumber);
}

RunResult RunningProcess::finish() {
    while (outFd_ >= 0 || errFd_ >= 0) {
        readAvailable(-1);
    }
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    if (WIFEXITED(status)) {
        result_.exitStatus = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result_.exitStatus = 128 + WTERMSIG(status);
    }
    return result_;
}

bool waitForFile(const std::string& path, double seconds) {
    const auto start = Clock::now();
    while (!exists(path)) {
        if (secondsSince(start) > seconds) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace testing_support
