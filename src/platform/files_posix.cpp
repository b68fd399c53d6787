// File operations, random bytes and the clock on POSIX systems. Paths are UTF-8 bytes,
// handed to the system unchanged.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <utility>
#include <vector>

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

bool canCreateFilesIn(const std::string& folder) {
    return access(folder.c_str(), W_OK | X_OK) == 0;
}

long longestNameIn(const std::string& folder) {
    return pathconf(folder.c_str(), _PC_NAME_MAX);
}

bool isFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// ENOTDIR: a name on the way is a file, so nothing can be below it.
bool isMissing(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

bool isExecutableFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

std::string findOnSearchPath(const std::string& name, const std::string& searchPath) {
    size_t start = 0;
    while (start <= searchPath.size()) {
        const size_t colon = std::min(searchPath.find(':', start), searchPath.size());
        const std::string folder = searchPath.substr(start, colon - start);
        if (!folder.empty()) {
            const std::string candidate = folder + (folder.back() == '/' ? "" : "/") + name;
            if (isExecutableFile(candidate)) return candidate;
        }
        start = colon + 1;
    }
    return "";
}

namespace {

// folderOf without the "." for a bare name, which has no folder part.
std::string folderPart(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return "";
    const size_t end = path.find_last_not_of('/', slash);
    return end == std::string::npos ? "/" : path.substr(0, end + 1);
}

}  // namespace

std::string folderOf(const std::string& path) {
    const std::string folder = folderPart(path);
    return folder.empty() ? "." : folder;
}

std::vector<std::string> namesInPath(const std::string& path) {
    std::vector<std::string> names;
    size_t start = 0;
    for (size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', start)) {
        if (slash > start) names.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    names.push_back(path.substr(start));
    return names;
}

std::string absolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) return path;
    std::string normal = absolute.lexically_normal().string();
    // "a/." and "a/b/.." leave a folder's trailing slash.
    if (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return normal;
}

// The root is its own folder part, which ends the climb.
std::string nearestExistingFolder(const std::string& path) {
    std::string folder = folderPart(path);
    while (!folder.empty() && !isFolder(folder)) {
        std::string above = folderPart(folder);
        if (above == folder) break;
        folder = std::move(above);
    }
    return folder.empty() ? "." : folder;
}

namespace {

constexpr int kTempNameTries = 100;

// The first of these that is set wins, even when empty (which names no
// folder), as std::filesystem::temp_directory_path has it.
std::string tempFolder() {
    for (const char* variable : {"TMPDIR", "TMP", "TEMP", "TEMPDIR"}) {
        if (const char* value = std::getenv(variable)) return value;
    }
    return "/tmp";
}

// `prefix`, eight random hex digits and `suffix`, created and opened for
// writing. O_EXCL fails on any existing entry, a link included, so no file
// that was there before is ever opened, let alone emptied. An empty path
// when kTempNameTries names were all taken or refused.
std::string createWithRandomName(const std::string& prefix, const std::string& suffix,
                                 Descriptor& file) {
    std::random_device seed;
    std::mt19937 draw(seed());
    for (int i = 0; i < kTempNameTries; ++i) {
        std::string path = formatText("%s%08x%s", prefix.c_str(), static_cast<unsigned>(draw()),
                                      suffix.c_str());
        file.reset(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file.valid()) return path;
    }
    return "";
}

bool writeAll(int fd, const std::string& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t put = write(fd, bytes.data() + written, bytes.size() - written);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        written += static_cast<size_t>(put);
    }
    return true;
}

// Fills the new file `path` open in `file`, syncs and closes it; a file that
// didn't come out whole is removed. close() can report a write the kernel
// deferred (NFS, a full quota), so its result counts too.
bool fillNewFile(const std::string& path, Descriptor file, const std::string& bytes) {
    const bool written = writeAll(file.get(), bytes) && fsync(file.get()) == 0;
    const bool closed = close(file.release()) == 0;
    if (!written || !closed) {
        unlink(path.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::string createTempFile(const std::string& prefix, const std::string& suffix) {
    std::string folder = tempFolder();
    if (!isFolder(folder)) return "";
    if (folder.back() != '/') folder += '/';
    Descriptor file;
    return createWithRandomName(folder + prefix, suffix, file);
}

// As in fillNewFile, close() has its say.
bool writeWholeFile(const std::string& path, const std::string& bytes) {
    Descriptor file(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!file.valid() || !writeAll(file.get(), bytes)) return false;
    return close(file.release()) == 0;
}

std::string writeTempFileBeside(const std::string& path, const std::string& bytes) {
    Descriptor file;
    const std::string temp = createWithRandomName(path + ".", ".tmp", file);
    if (temp.empty() || !fillNewFile(temp, std::move(file), bytes)) return "";
    return temp;
}

bool createNewFile(const std::string& path, const std::string& bytes) {
    Descriptor file(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    return file.valid() && fillNewFile(path, std::move(file), bytes);
}

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

// rename() swaps the name over in one step: anyone opening `to` sees either
// the old file or the new one, never a gap.
bool replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::string linkTarget(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string target = resolved;
    std::free(resolved);
    return target;
}

bool copyPermissions(const std::string& from, const std::string& to) {
    struct stat info {};
    if (stat(from.c_str(), &info) != 0) return errno == ENOENT;
    return chmod(to.c_str(), info.st_mode & 07777) == 0;
}

void Descriptor::reset(int fd) {
    if (fd_ >= 0) {
        close(fd_);
    }
    fd_ = fd;
}

namespace {

bool isDirectory(int fd) {
    struct stat info {};
    return fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
}

// Opening without O_NONBLOCK would wait for a named pipe's writer, possibly
// forever. Once open, reads block as usual, so a pipe with a writer is read whole.
Descriptor openForReading(const std::string& path) {
    Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.valid()) {
        const int flags = fcntl(file.get(), F_GETFL);
        if (flags != -1) fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);
    }
    return file;
}

}  // namespace

std::optional<std::string> readWholeFile(const std::string& path, size_t maxBytes) {
    const Descriptor file = openForReading(path);
    if (!file.valid() || isDirectory(file.get())) return std::nullopt;
    std::string bytes;
    std::vector<char> chunk(65536);
    for (;;) {
        const ssize_t got = read(file.get(), chunk.data(), chunk.size());
        if (got == 0) return bytes;
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (static_cast<size_t>(got) > maxBytes - bytes.size()) return std::nullopt;
        bytes.append(chunk.data(), static_cast<size_t>(got));
    }
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
// Closing the descriptor (when the lock goes) releases the lock.
FileLock::FileLock(const std::string& path) {
    file_.reset(openRetrying(path.c_str(), O_WRONLY));
    if (!file_.valid() && errno == ENOENT) {
        file_.reset(openRetrying(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666));
        created_ = file_.valid();
        if (!file_.valid() && errno == EEXIST) {
            file_.reset(openRetrying(path.c_str(), O_WRONLY));
        }
    }
    if (!file_.valid()) {
        return;
    }
    int locked;
    do {
        locked = flock(file_.get(), LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    state_ = locked == 0 ? State::Locked
                         : errno == EWOULDBLOCK ? State::HeldElsewhere : State::NotOpened;
}

// Root may fill the blocks kept back for it; everyone else stops at the
// blocks available to unprivileged users.
bool FileLock::fileSystemFull() const {
    struct statvfs space;
    if (!file_.valid() || fstatvfs(file_.get(), &space) != 0) {
        return false;
    }
    const fsblkcnt_t blocksLeft = geteuid() == 0 ? space.f_bfree : space.f_bavail;
    return blocksLeft == 0;
}

}  // namespace platform
}  // namespace camdrift
