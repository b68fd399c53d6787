// Line reads over decoded script text, the way a bounded wide-line read
// behaves: it stops after a line feed, after `maxUnits` units, or at the end
// of the text, and only a read that runs into the end raises the end flag.
#pragma once

#include <cstddef>
#include <string_view>

namespace camdrift {

// The longest line any read takes, line feed included (a 1000-unit buffer
// with its terminator), and the shorter read of the codec line.
constexpr size_t kLineReadUnits = 999;
constexpr size_t kCodecReadUnits = 99;

struct LineRead {
    size_t begin = 0;
    size_t end = 0;          // one past the last unit taken
    bool gotText = false;    // false: the text was already exhausted
    bool reachedEnd = false; // the read tried to take a unit and found none
};

LineRead readLine(std::u16string_view text, size_t pos, size_t maxUnits);

// Reads of at most kLineReadUnits from the start until one reaches the end:
// a text ending in a line feed counts one read more than it has lines, an
// empty text counts 1, and a long line counts once per piece.
size_t countLineReads(std::u16string_view text);

}  // namespace camdrift
