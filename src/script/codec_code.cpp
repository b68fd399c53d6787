#include "script/codec_code.h"

#include <string>

#include "script/utf8.h"

namespace camdrift {
namespace {

// Whole characters only, so a cut never leaves half a UTF-8 sequence behind.
std::string utf8Within(std::u16string_view line, size_t maxBytes) {
    std::string bytes;
    for (size_t pos = 0; pos < line.size();) {
        const size_t length = utf16CharacterLength(line, pos);
        const std::string character = encodeUtf8(line.substr(pos, length));
        if (bytes.size() + character.size() > maxBytes) break;
        bytes += character;
        pos += length;
    }
    return bytes;
}

}  // namespace

CodecCode codecCodeFromLine(std::u16string_view line, const CodecCode& previous) {
    const std::string bytes = utf8Within(line, previous.size() - 1);
    CodecCode code = previous;
    for (size_t i = 0; i < bytes.size(); ++i) code[i] = static_cast<unsigned char>(bytes[i]);
    code[bytes.size()] = 0;
    return code;
}

}  // namespace camdrift
