// Shared modules and the executable's own folder on POSIX systems.
#include <dlfcn.h>
#include <unistd.h>

#include <vector>

#include "platform/platform.h"

namespace camdrift {
namespace platform {

std::string executableFolder() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t got = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (got < 0) return "";
        if (static_cast<size_t>(got) < buffer.size()) {
            const std::string path(buffer.data(), static_cast<size_t>(got));
            const size_t slash = path.rfind('/');
            return slash == std::string::npos ? "" : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);  // the link may have been cut short
    }
}

// The handle is never closed: what the module made (objects with its
// vtables) may live until the process ends.
void* moduleSymbol(const std::string& path, const char* symbol, std::string* why) {
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* error = dlerror();
        if (why != nullptr) *why = error != nullptr ? error : "can't load " + path;
        return nullptr;
    }
    void* address = dlsym(module, symbol);
    if (address == nullptr && why != nullptr) {
        *why = std::string("no ") + symbol + " in " + path;
    }
    return address;
}

}  // namespace platform
}  // namespace camdrift
