// The console: formatted output, the progress line, and keeping the video
// library's chatter off the screen.
#include <fcntl.h>
#include <unistd.h>

#include "platform/platform.h"

namespace camdrift {
namespace platform {

namespace {

// Moves to the start of the previous line and clears it, so the next
// progress line lands where the last one stood, even after the screen scrolled.
constexpr const char* kOverwritePreviousLine = "\x1b[1A\r\x1b[2K";

}  // namespace

Console::Console(std::FILE* out) : Console(out, isatty(fileno(out)) == 1) {}

Console::Console(std::FILE* out, bool isTerminal) : out_(out), isTerminal_(isTerminal) {}

void Console::print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    write(formatTextV(format, args));
    va_end(args);
}

void Console::write(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), out_);
}

void Console::startProgress() {
    progressShown_ = false;
    flush();
}

void Console::progress(const std::string& line) {
    if (isTerminal_ && progressShown_) {
        write(kOverwritePreviousLine);
    }
    write(line);
    // Flushed on pipes too, so a log being followed shows the run advancing.
    flush();
    progressShown_ = true;
}

void Console::flush() {
    std::fflush(out_);
}

StderrSilence::StderrSilence() {
    std::fflush(stderr);
    saved_.reset(dup(STDERR_FILENO));
    const Descriptor devNull(open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (saved_.valid() && devNull.valid()) {
        dup2(devNull.get(), STDERR_FILENO);
    }
}

StderrSilence::~StderrSilence() {
    if (saved_.valid()) {
        std::fflush(stderr);
        dup2(saved_.get(), STDERR_FILENO);
    }
}

}  // namespace platform
}  // namespace camdrift
