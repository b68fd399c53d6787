// The token scans of the script body, after the way "%s", "%i" and "%lf"
// read wide text: each skips white space, then converts the longest prefix
// that forms its item. A scan that converts nothing takes nothing, so the
// next scan starts on the same token.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace camdrift {

// Blank, tab, line feed, vertical tab, form feed, carriage return.
bool isScanSpace(char16_t unit);
size_t skipScanSpace(std::u16string_view text, size_t pos);

template <typename Value>
struct Scan {
    bool converted = false;
    size_t begin = 0;  // where the item starts, after the skipped white space
    size_t end = 0;    // one past the item; equals begin when nothing converted
    Value value{};
};

struct NoValue {};

// "%s": a run of anything but white space, of any length.
Scan<NoValue> scanWord(std::u16string_view text, size_t pos);

// "%i": optional sign, then 0x and hex digits, a leading 0 and octal digits,
// or decimal digits. Values wider than 32 bits wrap modulo 2^32.
Scan<int32_t> scanInt(std::u16string_view text, size_t pos);

// "%lf": what strtod takes (decimal and hex floats, inf, infinity, nan,
// nan(...)), with `decimalPoint` as the only decimal point. A '.' that isn't
// the decimal point ends the number.
Scan<double> scanDouble(std::u16string_view text, size_t pos, std::u16string_view decimalPoint);

}  // namespace camdrift
