// What a token as written says about how "%i" read it.
#pragma once

#include <string>

namespace camdrift {

// A leading 0 made the token octal and its value differs from the decimal
// one a reader would expect ("050" is 40; "07" and "00" mean what they say).
bool readsAsSurprisingOctal(const std::u16string& token);

// The whole token reads as one "%i" number ("12", "-3", "050", "0x1F").
bool isNumberToken(const std::u16string& token);

}  // namespace camdrift
