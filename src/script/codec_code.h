// The codec line as the bytes the video writer gets.
#pragma once

#include <string_view>

#include "script/job_script.h"

namespace camdrift {

// The UTF-8 bytes of `line` (line end included) and a terminating zero,
// written over `previous`; the bytes after the terminator keep their content.
// A line whose bytes and terminator don't fit in the 100 bytes keeps only the
// whole characters that fit in 99.
CodecCode codecCodeFromLine(std::u16string_view line, const CodecCode& previous);

}  // namespace camdrift
