// File operations and the clock on POSIX systems. Paths are UTF-8 bytes,
// handed to the system unchanged.
#include <sys/stat.h>
#include <unistd.h>

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

bool canCreateFilesIn(const std::string& folder) {
    return access(folder.c_str(), W_OK | X_OK) == 0;
}

long longestNameIn(const std::string& folder) {
    return pathconf(folder.c_str(), _PC_NAME_MAX);
}

// rename() swaps the name over in one step: anyone opening `to` sees either
// the old file or the new one, never a gap.
bool replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

int64_t calendarSeconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

}  // namespace platform
}  // namespace camdrift
