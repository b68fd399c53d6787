// printf-style formatting into a string: standard C++ only, the same on
// every system, so it lives apart from the POSIX parts of the platform.
#include <vector>

#include "platform/platform.h"

namespace camdrift {
namespace platform {

// Measured first, so the text is never cut to fit a buffer.
std::string formatTextV(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) {
        return std::string();
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<size_t>(length));
}

std::string formatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = formatTextV(format, args);
    va_end(args);
    return text;
}

}  // namespace platform
}  // namespace camdrift
