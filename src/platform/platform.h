// The operating system behind one narrow interface: the console, files,
// child processes, shared modules, random bytes and the clock. Paths are UTF-8 byte strings.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace camdrift {
namespace platform {

// An open file descriptor, closed when the object goes. Every descriptor the
// tool opens is held by one, so no early return can leak it.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes the one held (if any) and holds `fd` instead.
    void reset(int fd = -1);
    // Hands the descriptor over without closing it.
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_ = -1;
};

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

// printf-style formatting into a string, under the current C locale; the
// one piece here that is plain C++ (format_text.cpp), not the system's.
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
    Descriptor saved_;
};

// All bytes of the file; nothing when it can't be opened, names a directory,
// holds more than `maxBytes`, or fails while being read. A named pipe without
// a writer reads as empty instead of waiting for one.
std::optional<std::string> readWholeFile(const std::string& path, size_t maxBytes);

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
// These follow symbolic links: a link to a folder is a folder, a link that
// leads nowhere is missing.
bool isFolder(const std::string& path);
// False when it can't be told, as when a folder on the way can't be searched.
bool isMissing(const std::string& path);
// A regular file that its owner, its group or others may execute (the bits
// alone: whether this process may is not asked).
bool isExecutableFile(const std::string& path);

// The first executable file `name` in the folders of `searchPath` (the
// PATH variable's value: folders separated by ":"), or empty when none has
// one. Empty entries, which stand for the current folder, are passed over.
std::string findOnSearchPath(const std::string& name, const std::string& searchPath);

// Paths as written, split at "/" without asking the file system.
// The folder part, trailing slashes dropped: "a/b/c.avi" gives "a/b",
// "/c.avi" gives "/", "a/b/" gives "a/b"; "." for a bare name.
std::string folderOf(const std::string& path);
// The names in `path`, each folder's and then the file name, which is
// empty when the path ends in "/"; repeated slashes part no empty names:
// "/a//b/c.avi" gives "a", "b", "c.avi".
std::vector<std::string> namesInPath(const std::string& path);
// `path` joined to the current folder when it is relative, with "." and
// ".." steps, repeated slashes and a trailing slash taken out as written
// (links are not followed); `path` itself when the current folder can't be
// told.
std::string absolutePath(const std::string& path);
// folderOf(path) when it is a folder, else the nearest of the folders
// above it as written that is; "." when none of them is.
std::string nearestExistingFolder(const std::string& path);

// A new empty file named `prefix`, eight random hex digits and `suffix` in
// the system's temp folder (the first of $TMPDIR, $TMP, $TEMP and $TEMPDIR
// that is set, else /tmp), created exclusively so no existing file is ever
// opened: its path, or empty when that is no folder or 100 names were all
// taken or refused.
std::string createTempFile(const std::string& prefix, const std::string& suffix);
// Writes `bytes` as the whole file, created when missing (read and write for
// all, less the umask) and emptied first when not; false when it can't be
// opened or a write fails.
bool writeWholeFile(const std::string& path, const std::string& bytes);
// A new file holding `bytes` in the same folder as `path`, named after it
// ("job.txt" gives "job.txt.", eight random hex digits and ".tmp") and
// created exclusively so no existing file is touched, then synced: its
// path, or empty when 100 names were all taken or it couldn't be written
// (a half-written one is removed). Moved over `path` with replaceFile, the
// new content appears in one step, and a crash never leaves an empty file
// where a good one was.
std::string writeTempFileBeside(const std::string& path, const std::string& bytes);
// Creates `path` holding `bytes`, synced; false when the name is already
// taken or the file can't be written (a half-written new file is removed).
bool createNewFile(const std::string& path, const std::string& bytes);

// Moves `from` over `to` in one step; `to` is whole at every instant.
bool replaceFile(const std::string& from, const std::string& to);
// `path` with its symbolic links resolved when it names an existing file
// (a save through a link then replaces the file, not the link); else `path`.
std::string linkTarget(const std::string& path);
// Gives `to` the permission bits of `from`; true when `from` doesn't exist.
bool copyPermissions(const std::string& from, const std::string& to);

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

    State state() const { return state_; }
    // The file did not exist before this lock created it.
    bool createdFile() const { return created_; }
    // The file system that holds the file has no room left for this process.
    bool fileSystemFull() const;

private:
    Descriptor file_;
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
// directory are inherited, no other descriptor of the parent's is. It runs
// in a process group of its own, so a Ctrl+C on the terminal reaches the
// parent only, which decides what the child gets.
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
    Descriptor output_;
    bool started_ = false;
    bool reaped_ = false;
    ProcessOutcome outcome_;
    std::mutex mutex_;  // a signal never reaches a pid that was reaped and reused
};

// The folder holding the running executable, without a trailing slash;
// empty when the system won't say.
std::string executableFolder();

// The address of `symbol` in the shared module at `path`, which is loaded on
// first use and stays loaded for the rest of the process; nullptr when the
// module can't be loaded or lacks the symbol, with the loader's reason in
// `why`.
void* moduleSymbol(const std::string& path, const char* symbol, std::string* why);

// `count` bytes from the system's random source (for secrets); empty when
// the source fails.
std::string randomBytes(size_t count);

// Seconds since the epoch.
int64_t calendarSeconds();
// This process's id.
int64_t processId();

}  // namespace platform
}  // namespace camdrift
