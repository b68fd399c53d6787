// File operations and the clock on POSIX systems. Paths are UTF-8 bytes,
// handed to the system unchanged.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "platform/platform.h"

namespace camdrift {
namespace platform {

// Any directory entry counts, a dangling symbolic link included: a name that
// is taken must never be handed out as a free one.
bool fileExists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat infoA;
    struct stat infoB;
    if (stat(a.c_str(), &infoA) != 0 || stat(b.c_str(), &infoB) != 0) {
        return false;
    }
    return infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
}

// The entry itself is looked at, not what a symbolic link points to, so a
// link never passes for a file that was written.
int64_t regularFileSize(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return -1;
    }
    return static_cast<int64_t>(info.st_size);
}

bool removeFile(const std::string& path) {
    return unlink(path.c_str()) == 0;
}

// rename() swaps the name over in one step: anyone opening `to` sees either
// the old file or the new one, never a gap.
bool replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

namespace {

bool writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<size_t>(wrote);
    }
    return true;
}

// Writes and syncs a file created exclusively; a file that didn't come out
// whole is removed. False also when the name is taken (errno EEXIST).
bool writeNewFile(const std::string& path, const std::string& bytes) {
    int fd;
    do {
        fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    // Synced before it can be renamed over a file, so a crash never leaves
    // an empty script where a good one was.
    const bool written = writeAll(fd, bytes) && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed) {
        unlink(path.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::string randomBytes(size_t count) {
    std::string bytes(count, '\0');
    size_t done = 0;
    while (done < count) {
        const ssize_t got = getrandom(bytes.data() + done, count - done, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return "";
        done += static_cast<size_t>(got);
    }
    return bytes;
}

std::string writeTempFileBeside(const std::string& path, const std::string& bytes) {
    constexpr int kTries = 100;
    const std::string suffix = randomBytes(8);
    for (int i = 0; i < kTries && !suffix.empty(); ++i) {
        const std::string candidate = path + formatText(".%02x%02x%02x%02x-%d.tmp",
            static_cast<unsigned char>(suffix[0]), static_cast<unsigned char>(suffix[1]),
            static_cast<unsigned char>(suffix[2]), static_cast<unsigned char>(suffix[3]), i);
        if (writeNewFile(candidate, bytes)) return candidate;
        if (errno != EEXIST) return "";
    }
    return "";
}

bool createNewFile(const std::string& path, const std::string& bytes) {
    return writeNewFile(path, bytes);
}

bool isExecutableFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

int64_t calendarSeconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

int64_t processId() {
    return static_cast<int64_t>(getpid());
}

namespace {

int openRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        // Non-blocking, so a named pipe without a reader can't hold the run up.
        fd = open(path, flags | O_CLOEXEC | O_NONBLOCK, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

// An existing file is opened as it is; a missing one is created exclusively,
// so of two processes racing to create it exactly one reports creating it.
FileLock::FileLock(const std::string& path) {
    fd_ = openRetrying(path.c_str(), O_WRONLY);
    if (fd_ < 0 && errno == ENOENT) {
        fd_ = openRetrying(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        created_ = fd_ >= 0;
        if (fd_ < 0 && errno == EEXIST) {
            fd_ = openRetrying(path.c_str(), O_WRONLY);
        }
    }
    if (fd_ < 0) {
        return;
    }
    int locked;
    do {
        locked = flock(fd_, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    state_ = locked == 0 ? State::Locked
                         : errno == EWOULDBLOCK ? State::HeldElsewhere : State::NotOpened;
}

FileLock::~FileLock() {
    if (fd_ >= 0) {
        close(fd_);  // closing the last descriptor releases the lock
    }
}

// Root may fill the blocks kept back for it; everyone else stops at the
// blocks available to unprivileged users.
bool FileLock::fileSystemFull() const {
    struct statvfs space;
    if (fd_ < 0 || fstatvfs(fd_, &space) != 0) {
        return false;
    }
    const fsblkcnt_t blocksLeft = geteuid() == 0 ? space.f_bfree : space.f_bavail;
    return blocksLeft == 0;
}

}  // namespace platform
}  // namespace camdrift
