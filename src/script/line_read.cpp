#include "script/line_read.h"

namespace camdrift {

LineRead readLine(std::u16string_view text, size_t pos, size_t maxUnits) {
    LineRead read;
    read.begin = pos;
    read.end = pos;
    while (read.end - read.begin < maxUnits) {
        if (read.end >= text.size()) {
            read.reachedEnd = true;
            break;
        }
        if (text[read.end++] == u'\n') break;
    }
    read.gotText = read.end > read.begin;
    return read;
}

size_t countLineReads(std::u16string_view text) {
    size_t count = 0;
    size_t pos = 0;
    for (;;) {
        const LineRead read = readLine(text, pos, kLineReadUnits);
        pos = read.end;
        ++count;
        if (read.reachedEnd) return count;
    }
}

}  // namespace camdrift
