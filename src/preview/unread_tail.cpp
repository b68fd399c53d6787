#include "preview/unread_tail.h"

#include "script/scanf_scan.h"

namespace camdrift {
namespace {

// Every attempt that reads anything takes at least one word, so this many
// extra attempts reach the end of the text whatever it holds.
size_t wordCount(std::u16string_view text) {
    size_t words = 0;
    for (size_t pos = 0;; ++words) {
        const Scan<NoValue> word = scanWord(text, pos);
        if (!word.converted) return words;
        pos = word.end;
    }
}

}  // namespace

std::vector<KeyframeAttempt> attemptsPastTheLastLine(const std::u16string& text,
                                                     const std::string& decimalPoint,
                                                     const ReadReport& report) {
    // Line feeds at the end add attempts and change nothing before them.
    const std::u16string longer = text + std::u16string(wordCount(text) + 1, u'\n');
    ReadReport further;
    parseJobScript(longer, decimalPoint, &further);
    std::vector<KeyframeAttempt> unread;
    for (size_t i = report.attempts.size(); i < further.attempts.size(); ++i) {
        if (further.attempts[i].converted > 0) unread.push_back(further.attempts[i]);
    }
    return unread;
}

}  // namespace camdrift
