// Script text as the preview shows it: quoted so blanks, quotes and control
// characters can be seen, and codec bytes one by one.
#pragma once

#include <string>
#include <string_view>

#include "script/job_script.h"

namespace camdrift {

// UTF-8 between double quotes; a quote or backslash gets a backslash, control
// bytes are written \n, \r, \t or \xHH, so trailing blanks stay visible.
std::string quoted(std::u16string_view text);

// The codec code's first four bytes separated by blanks: a printable byte as
// itself, else \n, \r, \t, \0 or \xHH ("M J P G", "X V \n \0"). A blank
// would vanish between the separators, so it is written \x20.
std::string codecCodeText(const CodecCode& code);

}  // namespace camdrift
