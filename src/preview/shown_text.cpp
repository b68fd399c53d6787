#include "preview/shown_text.h"

#include "platform/platform.h"
#include "script/utf8.h"

namespace camdrift {
namespace {

std::string escapedByte(unsigned char byte) {
    switch (byte) {
        case '\n': return "\\n";
        case '\r': return "\\r";
        case '\t': return "\\t";
        case '\0': return "\\0";
        default: return platform::formatText("\\x%02X", static_cast<unsigned>(byte));
    }
}

bool isControl(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

}  // namespace

std::string quoted(std::u16string_view text) {
    std::string shown = "\"";
    for (const unsigned char byte : encodeUtf8(text)) {
        if (byte == '"' || byte == '\\') {
            shown += '\\';
            shown += static_cast<char>(byte);
        } else if (isControl(byte)) {
            shown += escapedByte(byte);
        } else {
            shown += static_cast<char>(byte);
        }
    }
    return shown + "\"";
}

std::string codecCodeText(const CodecCode& code) {
    std::string shown;
    for (size_t i = 0; i < 4; ++i) {
        if (i > 0) shown += ' ';
        const unsigned char byte = code[i];
        const bool printable = byte > 0x20 && byte < 0x7F;
        shown += printable ? std::string(1, static_cast<char>(byte)) : escapedByte(byte);
    }
    return shown;
}

}  // namespace camdrift
