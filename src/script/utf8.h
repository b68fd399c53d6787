// UTF-8 <-> UTF-16 conversions. Invalid UTF-8 decodes as U+FFFD; a lone
// surrogate encodes as U+FFFD.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace camdrift {

std::u16string decodeUtf8(std::string_view bytes);
std::string encodeUtf8(std::u16string_view units);

// How many units the character at `pos` takes: 2 for a surrogate pair, else 1.
size_t utf16CharacterLength(std::u16string_view units, size_t pos);

}  // namespace camdrift
