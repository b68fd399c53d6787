// Settings written on line 1, the title line: words of the form name=value
// among the title's other words. Only `crop=output` and `crop=source` mean
// anything; every other word is title, so old scripts read as before.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "script/job_script.h"

namespace camdrift {

// The words of `titleLine` (the first line read, its line end removed or
// not), split at blanks and tabs.
std::vector<std::u16string> titleWords(std::u16string_view titleLine);

// The crop shape that line 1 asks for: the last `crop=` setting written,
// compared exactly (lower case, no blanks around '='); the source's shape
// when none is.
CropShape cropShapeOfTitle(std::u16string_view titleLine);

// Words of line 1 that look like a setting but aren't one camdrift knows
// (`crop=outptu`, `Crop=output`, `crop = output` read as one word `crop`...):
// a user who wrote one meant a setting that silently does nothing.
std::vector<std::u16string> misspeltSettingWords(std::u16string_view titleLine);

}  // namespace camdrift
