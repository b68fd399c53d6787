// The operating system behind one narrow interface: the console, files,
// child processes and the clock. Paths are UTF-8 byte strings.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
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

// One unechoed key press from the controlling terminal; returns at once when
// the process has none (pipes, CI, cron).
void waitForKeyPress();

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
// True when this process may create files in the existing folder `folder`
// (write and search permission, as the kernel judges them for its user).
bool canCreateFilesIn(const std::string& folder);
// The longest name of one entry, in bytes, that the file system holding
// `folder` accepts; -1 when the system doesn't say.
long longestNameIn(const std::string& folder);
// Moves `from` over `to` in one step; `to` is whole at every instant.
bool replaceFile(const std::string& from, const std::string& to);

struct ProcessOutcome {
    bool started = false;
    bool exited = false;  // ended by exit(), not by a signal
    int exitStatus = -1;
    int signal = 0;
};
// Runs argv[0] exactly as given (never looked up on PATH) with argv as its
// argument vector; it inherits the environment, current directory and
// standard streams. Waits for it to end.
ProcessOutcome runProcess(const std::vector<std::string>& argv);

// From the first call on, SIGINT and SIGTERM no longer end the process at
// once: they set a flag that the run checks, and they are passed on to a
// child started by runProcess while it runs.
void installInterruptHandlers();
bool interruptRequested();

// Seconds since the epoch.
int64_t calendarSeconds();

}  // namespace platform
}  // namespace camdrift
