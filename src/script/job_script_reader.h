// Reads a job script. The reader is a pure function over the decoded text;
// reading the file is a thin wrapper around it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/job_script.h"
#include "script/read_report.h"

namespace camdrift {

// Far beyond any real job script (a keyframe on every frame of ten hours at
// 60 frames per second takes about 50 MiB), and small enough that a path to
// an endless stream such as /dev/zero is refused before memory runs out.
constexpr size_t kMaxScriptBytes = size_t{128} << 20;

// Removes trailing CR and LF; blanks and tabs stay.
void trimLineEnd(std::u16string& line);

// Parses the decoded text of a job script (a leading BOM is dropped). A given
// report is cleared first.
// `decimalPoint` is the locale's decimal separator used by the transition time.
JobScript parseJobScript(const std::u16string& text, const std::string& decimalPoint = ".",
                         ReadReport* report = nullptr);

// Decodes the file's bytes as UTF-8 (invalid sequences as U+FFFD) with each
// CR LF pair folded into one LF, as a text-mode read delivers them.
std::u16string decodeJobScriptBytes(std::string_view bytes);

// Reads and decodes the file (UTF-8 whatever the locale, CR LF arriving as LF);
// nothing when the file can't be opened or read, or holds more than
// kMaxScriptBytes.
std::optional<std::u16string> readJobScriptText(const std::string& path);

std::optional<JobScript> readJobScript(const std::string& path, const std::string& decimalPoint,
                                       ReadReport* report = nullptr);

}  // namespace camdrift
