#include "script/script_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace camdrift {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool isDirectory(int fd) {
    struct stat info {};
    return fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
}

// Opening without O_NONBLOCK would wait for a named pipe's writer, possibly
// forever. Once open, reads block as usual, so a pipe with a writer is read whole.
int openForReading(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        const int flags = fcntl(fd, F_GETFL);
        if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    return fd;
}

}  // namespace

std::optional<std::string> readFileBytes(const std::string& path, size_t maxBytes) {
    const FileDescriptor file(openForReading(path));
    if (file.get() < 0 || isDirectory(file.get())) return std::nullopt;
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t got = read(file.get(), chunk, sizeof chunk);
        if (got == 0) return bytes;
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (static_cast<size_t>(got) > maxBytes - bytes.size()) return std::nullopt;
        bytes.append(chunk, static_cast<size_t>(got));
    }
}

}  // namespace camdrift
