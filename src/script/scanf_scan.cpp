#include "script/scanf_scan.h"

#include <cstdlib>
#include <locale.h>
#include <string>

namespace camdrift {
namespace {

bool isDecimalDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

int digitValue(char16_t unit) {
    if (isDecimalDigit(unit)) return unit - u'0';
    if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
    if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
    return 99;
}

bool hasAt(std::u16string_view text, size_t pos, char16_t unit) {
    return pos < text.size() && text[pos] == unit;
}

bool hasHexPrefixAt(std::u16string_view text, size_t pos) {
    return hasAt(text, pos, u'0') && (hasAt(text, pos + 1, u'x') || hasAt(text, pos + 1, u'X')) &&
           pos + 2 < text.size() && digitValue(text[pos + 2]) < 16;
}

// Two's complement reading of the low 32 bits, spelled out so that it
// doesn't lean on implementation-defined narrowing.
int32_t wrapToInt32(uint32_t bits) {
    if (bits <= 0x7FFFFFFFu) return static_cast<int32_t>(bits);
    return -static_cast<int32_t>(~bits) - 1;
}

// Characters that can appear in something strtod reads, the decimal point aside.
bool mayBeInNumber(char16_t unit) {
    return (unit >= u'0' && unit <= u'9') || (unit >= u'a' && unit <= u'z') ||
           (unit >= u'A' && unit <= u'Z') || unit == u'+' || unit == u'-' || unit == u'(' ||
           unit == u')' || unit == u'_';
}

// The candidate text at `pos` spelled for the "C" locale: the decimal point
// becomes '.', and the copy ends at the first character no number can hold,
// or at a second decimal point (a number has at most one).
struct NumberCandidate {
    std::string chars;
    size_t pointIndex = std::string::npos;  // where the decimal point went in `chars`
};

NumberCandidate numberCandidate(std::u16string_view text, size_t pos,
                                std::u16string_view decimalPoint) {
    NumberCandidate candidate;
    while (pos < text.size()) {
        if (text.substr(pos, decimalPoint.size()) == decimalPoint) {
            if (candidate.pointIndex != std::string::npos) break;
            candidate.pointIndex = candidate.chars.size();
            candidate.chars.push_back('.');
            pos += decimalPoint.size();
        } else if (mayBeInNumber(text[pos])) {
            candidate.chars.push_back(static_cast<char>(text[pos]));
            ++pos;
        } else {
            break;
        }
    }
    return candidate;
}

locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

bool isScanSpace(char16_t unit) {
    return unit == u' ' || unit == u'\t' || unit == u'\n' || unit == u'\v' || unit == u'\f' ||
           unit == u'\r';
}

size_t skipScanSpace(std::u16string_view text, size_t pos) {
    while (pos < text.size() && isScanSpace(text[pos])) ++pos;
    return pos;
}

Scan<NoValue> scanWord(std::u16string_view text, size_t pos) {
    Scan<NoValue> scan;
    scan.begin = skipScanSpace(text, pos);
    scan.end = scan.begin;
    while (scan.end < text.size() && !isScanSpace(text[scan.end])) ++scan.end;
    scan.converted = scan.end > scan.begin;
    return scan;
}

Scan<int32_t> scanInt(std::u16string_view text, size_t pos) {
    Scan<int32_t> scan;
    scan.begin = skipScanSpace(text, pos);
    scan.end = scan.begin;
    size_t at = scan.begin;
    const bool negative = hasAt(text, at, u'-');
    if (negative || hasAt(text, at, u'+')) ++at;
    if (at >= text.size() || !isDecimalDigit(text[at])) return scan;

    unsigned base = 10;
    if (hasHexPrefixAt(text, at)) {
        base = 16;
        at += 2;
    } else if (text[at] == u'0') {
        base = 8;
    }
    uint32_t magnitude = 0;  // unsigned arithmetic keeps the value modulo 2^32
    while (at < text.size() && static_cast<unsigned>(digitValue(text[at])) < base) {
        magnitude = magnitude * base + static_cast<uint32_t>(digitValue(text[at]));
        ++at;
    }
    scan.converted = true;
    scan.end = at;
    scan.value = wrapToInt32(negative ? 0u - magnitude : magnitude);
    return scan;
}

Scan<double> scanDouble(std::u16string_view text, size_t pos, std::u16string_view decimalPoint) {
    Scan<double> scan;
    scan.begin = skipScanSpace(text, pos);
    scan.end = scan.begin;
    if (decimalPoint.empty()) decimalPoint = u".";
    const NumberCandidate candidate = numberCandidate(text, scan.begin, decimalPoint);
    if (candidate.chars.empty()) return scan;

    char* stop = nullptr;
    const double value = strtod_l(candidate.chars.c_str(), &stop, cLocale());
    const size_t taken = static_cast<size_t>(stop - candidate.chars.c_str());
    if (taken == 0) return scan;
    // Every char of the copy stands for one unit of the text, except the
    // decimal point, which stands for decimalPoint.size() units.
    const bool tookPoint = candidate.pointIndex < taken;
    scan.converted = true;
    scan.end = scan.begin + taken + (tookPoint ? decimalPoint.size() - 1 : 0);
    scan.value = value;
    return scan;
}

}  // namespace camdrift
