// File line numbers of positions in the script text, found by counting line
// feeds as the reader moves forward, so a whole text costs one pass.
#pragma once

#include <cstddef>
#include <string_view>

namespace camdrift {

class LineTracker {
public:
    explicit LineTracker(std::u16string_view text) : text_(text) {}

    // 1-based line of `pos`. Positions must not move backward between calls.
    int lineAt(size_t pos) {
        for (; counted_ < pos && counted_ < text_.size(); ++counted_) {
            if (text_[counted_] == u'\n') ++line_;
        }
        return line_;
    }

private:
    std::u16string_view text_;
    size_t counted_ = 0;
    int line_ = 1;
};

}  // namespace camdrift
