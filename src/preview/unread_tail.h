// Text after the keyframe attempts ran out. The reader makes one attempt per
// line after line 8 and every failed attempt uses one up, so keyframes at the
// end of a file can go unread; reading the same text again with blank lines
// added shows what the missing attempts would have found.
#pragma once

#include <string>
#include <vector>

#include "script/job_script_reader.h"

namespace camdrift {

// The attempts that read something beyond those in `report`, which must come
// from parsing `text` with `decimalPoint`. Empty when the attempts reached
// the end of the text.
std::vector<KeyframeAttempt> attemptsPastTheLastLine(const std::u16string& text,
                                                     const std::string& decimalPoint,
                                                     const ReadReport& report);

}  // namespace camdrift
