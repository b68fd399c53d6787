// The operating system behind one narrow interface: the console, files,
// child processes and the clock. Paths are UTF-8 byte strings.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace camdrift {
namespace platform {

// All console output of the tool goes through here. Control sequences are
// written only when the stream is a terminal.
class Console {
public:
    explicit Console(std::FILE* out);
    Console(std::FILE* out, bool isTerminal);

    bool isTerminal() const { return isTerminal_; }
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void write(const std::string& text);
    // The progress line: on a terminal each one after the first is written
    // over the previous one; elsewhere the lines simply follow one another.
    void startProgress();
    void progress(const std::string& line);
    void flush();

private:
    std::FILE* out_;
    bool isTerminal_;
    bool progressShown_ = false;
};

// printf-style formatting into a string, under the current C locale.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string formatTextV(const char* format, va_list args);

// Sends what the process writes to stderr to /dev/null while it lives, so the
// video library's own chatter never reaches the console.
class StderrSilence {
public:
    StderrSilence();
    ~StderrSilence();
    StderrSilence(const StderrSilence&) = delete;
    StderrSilence& operator=(const StderrSilence&) = delete;

private:
    int savedFd_ = -1;
};

bool fileExists(const std::string& path);
// True when both paths name one existing file (same device and inode).
bool sameFile(const std::string& a, const std::string& b);
// Size in bytes of a regular file, or -1 when there is none.
int64_t regularFileSize(const std::string& path);
bool removeFile(const std::string& path);
// Moves `from` over `to` in one step; `to` is whole at every instant.
bool replaceFile(const std::string& from, const std::string& to);

// An exclusive lock on a file that another process can't take while this
// object lives (flock: advisory, so it binds processes that ask for it).
// The file is opened for writing without truncating it, and created when
// missing; its content is never touched here.
class FileLock {
public:
    enum class State {
        Locked,     // this process holds the lock
        HeldElsewhere,  // another process holds it
        NotOpened,  // the file can't be opened or created (a missing folder, ...)
    };
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    State state() const { return state_; }
    // The file did not exist before this lock created it.
    bool createdFile() const { return created_; }
    // The file system that holds the file has no room left for this process.
    bool fileSystemFull() const;

private:
    int fd_ = -1;
    State state_ = State::NotOpened;
    bool created_ = false;
};

struct ProcessOutcome {
    bool started = false;
    bool exited = false;  // ended by exit(), not by a signal
    int exitStatus = -1;
    int signal = 0;
    // With captured output: the end of what the child wrote to stdout and
    // stderr, interleaved as written, at most kKeptOutputBytes.
    std::string output;
};
constexpr size_t kKeptOutputBytes = size_t{64} << 10;

// Runs argv[0] exactly as given (never looked up on PATH) with argv as its
// argument vector, standard input from /dev/null, the environment and current
// directory inherited. Its stdout and stderr go to one pipe read into
// `output` when `captureOutput`, else to the tool's own. Waits for it to end.
ProcessOutcome runProcess(const std::vector<std::string>& argv, bool captureOutput = false);

// From the first call on, SIGINT, SIGTERM and SIGHUP no longer end the
// process at once: they set a flag that the run checks, and they are passed
// on to a child started by runProcess while it runs. SIGXFSZ is ignored, so a
// file-size limit makes writes fail instead of killing the process.
void installInterruptHandlers();
bool interruptRequested();

// A child process whose stdout and stderr arrive through one pipe while it
// runs, and that can be signalled meanwhile: for a run that someone watches
// and may cancel. Standard input is /dev/null; the environment and current
// directory are inherited. It runs in a process group of its own, so a
// Ctrl+C on the terminal reaches the parent only, which decides what the
// child gets.
class ChildProcess {
public:
    // Starts argv[0] exactly as given, never looked up on PATH.
    explicit ChildProcess(const std::vector<std::string>& argv);
    // A child still running is killed and waited for: none outlives its owner.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return started_; }
    // Waits for output and appends what came to `text`; false once every
    // writer has closed the pipe. Safe to call from one thread while
    // another signals the child.
    bool readOutput(std::string& text);
    // Ctrl+C for the child: SIGINT. Does nothing once the child was waited for.
    void interrupt();
    // SIGKILL, for a child that ignores interrupt().
    void kill();
    // Waits for the end; exited, exitStatus and signal tell how it ended.
    ProcessOutcome wait();

private:
    void sendSignal(int signalNumber);

    int pid_ = -1;
    int outputFd_ = -1;
    bool started_ = false;
    bool reaped_ = false;
    ProcessOutcome outcome_;
    std::mutex mutex_;  // a signal never reaches a pid that was reaped and reused
};

// The folder holding the running executable, without a trailing slash;
// empty when the system doesn't say.
std::string executableFolder();

// `count` bytes from the system's random source (for secrets); empty when
// the source fails.
std::string randomBytes(size_t count);

// A new file holding `bytes` in the same folder as `path`, named after it
// and created exclusively so no existing file is touched; its path, or
// empty when it couldn't be made or written. Moved over `path` with
// replaceFile, the new content appears in one step.
std::string writeTempFileBeside(const std::string& path, const std::string& bytes);

// Creates `path` holding `bytes`; false when the name is already taken or
// the file can't be written (a half-written new file is removed).
bool createNewFile(const std::string& path, const std::string& bytes);

// A regular file (after links) with an execute bit.
bool isExecutableFile(const std::string& path);

// Seconds since the epoch.
int64_t calendarSeconds();
// This process's id.
int64_t processId();

}  // namespace platform
}  // namespace camdrift
