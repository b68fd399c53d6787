#include "script/utf8.h"

namespace camdrift {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';

bool isContinuation(unsigned char byte) { return byte >= 0x80 && byte <= 0xBF; }

// The length of the sequence a lead byte opens (0: not a lead byte) and the
// range its second byte must fall in, which rules out overlong forms,
// surrogates and values past U+10FFFF.
struct LeadByte {
    int length;
    unsigned char secondLow;
    unsigned char secondHigh;
};

LeadByte leadByte(unsigned char byte) {
    if (byte < 0x80) return {1, 0, 0};
    if (byte >= 0xC2 && byte <= 0xDF) return {2, 0x80, 0xBF};
    if (byte == 0xE0) return {3, 0xA0, 0xBF};
    if (byte == 0xED) return {3, 0x80, 0x9F};
    if (byte >= 0xE1 && byte <= 0xEF) return {3, 0x80, 0xBF};
    if (byte == 0xF0) return {4, 0x90, 0xBF};
    if (byte >= 0xF1 && byte <= 0xF3) return {4, 0x80, 0xBF};
    if (byte == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

void appendCodePoint(std::u16string& out, char32_t codePoint) {
    if (codePoint < 0x10000) {
        out.push_back(static_cast<char16_t>(codePoint));
        return;
    }
    codePoint -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
}

// Decodes the sequence at `pos`; returns how many bytes it used. A broken
// sequence yields one U+FFFD for its longest valid-looking start (the
// "maximal subpart"), so the byte that broke it is looked at again.
size_t decodeOne(std::string_view bytes, size_t pos, std::u16string& out) {
    auto byteAt = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char first = byteAt(pos);
    const LeadByte lead = leadByte(first);
    if (lead.length == 1) {
        out.push_back(first);
        return 1;
    }
    if (lead.length == 0) {
        out.push_back(kReplacement);
        return 1;
    }
    char32_t codePoint = first & (0x7F >> lead.length);
    for (int i = 1; i < lead.length; ++i) {
        const size_t at = pos + static_cast<size_t>(i);
        const bool fits = at < bytes.size() &&
                          (i == 1 ? byteAt(at) >= lead.secondLow && byteAt(at) <= lead.secondHigh
                                  : isContinuation(byteAt(at)));
        if (!fits) {
            out.push_back(kReplacement);
            return static_cast<size_t>(i);
        }
        codePoint = (codePoint << 6) | (byteAt(at) & 0x3F);
    }
    appendCodePoint(out, codePoint);
    return static_cast<size_t>(lead.length);
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void appendUtf8(std::string& out, char32_t codePoint) {
    auto put = [&](unsigned value) { out.push_back(static_cast<char>(value)); };
    if (codePoint < 0x80) {
        put(codePoint);
    } else if (codePoint < 0x800) {
        put(0xC0 | (codePoint >> 6));
        put(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        put(0xE0 | (codePoint >> 12));
        put(0x80 | ((codePoint >> 6) & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    } else {
        put(0xF0 | (codePoint >> 18));
        put(0x80 | ((codePoint >> 12) & 0x3F));
        put(0x80 | ((codePoint >> 6) & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace

std::u16string decodeUtf8(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (size_t pos = 0; pos < bytes.size();) {
        pos += decodeOne(bytes, pos, out);
    }
    return out;
}

size_t utf16CharacterLength(std::u16string_view units, size_t pos) {
    const bool pair = isHighSurrogate(units[pos]) && pos + 1 < units.size() &&
                      isLowSurrogate(units[pos + 1]);
    return pair ? 2 : 1;
}

std::string encodeUtf8(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    for (size_t pos = 0; pos < units.size();) {
        const size_t length = utf16CharacterLength(units, pos);
        char32_t codePoint = units[pos];
        if (length == 2) {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (units[pos + 1] - 0xDC00);
        } else if (isHighSurrogate(units[pos]) || isLowSurrogate(units[pos])) {
            codePoint = kReplacement;
        }
        appendUtf8(out, codePoint);
        pos += length;
    }
    return out;
}

}  // namespace camdrift
