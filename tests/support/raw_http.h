// One HTTP exchange on a loopback socket, byte for byte as the test wrote
// it: for requests a client library would not send, or would send in
// pieces that a server that has already answered makes fail.
#pragma once

#include <string>

namespace testing_support {

struct RawAnswer {
    bool connected = false;
    int status = 0;        // 0: no status line came
    std::string text;      // everything the server sent
};

// Connects to 127.0.0.1:`port`, sends `request` whole (never raising
// SIGPIPE), and reads until the server closes, the answer's stated length is
// in, or `seconds` pass.
RawAnswer exchangeRaw(int port, const std::string& request, double seconds);

}  // namespace testing_support
