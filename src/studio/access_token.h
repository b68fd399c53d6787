// The secret that every request to the studio must carry: the server
// listens on the loopback address, where any local program, and any web
// page through the browser, could otherwise reach it.
#pragma once

#include <string>
#include <string_view>

namespace camdrift {

// 256 bits from the system's random source as 64 lowercase hex digits;
// empty when the source fails.
std::string newAccessToken();

// Compares in time that depends on the lengths only, never on where the
// first wrong character is.
bool tokenMatches(std::string_view given, std::string_view token);

}  // namespace camdrift
