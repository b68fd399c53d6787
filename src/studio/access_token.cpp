#include "studio/access_token.h"

#include "platform/platform.h"

namespace camdrift {

std::string newAccessToken() {
    constexpr size_t kTokenBytes = 32;
    const std::string bytes = platform::randomBytes(kTokenBytes);
    if (bytes.size() != kTokenBytes) return "";
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : bytes) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 0x0f];
    }
    return hex;
}

bool tokenMatches(std::string_view given, std::string_view token) {
    if (token.empty() || given.size() != token.size()) return false;
    unsigned char difference = 0;
    for (size_t i = 0; i < token.size(); ++i) {
        difference |= static_cast<unsigned char>(given[i] ^ token[i]);
    }
    return difference == 0;
}

}  // namespace camdrift
