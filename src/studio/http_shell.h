// The HTTP server around the handlers: it binds the loopback address only,
// turns each HTTP request into a Request and the Response back, and stops
// when the process is asked to (Ctrl+C, SIGTERM, SIGHUP).
#pragma once

#include <functional>
#include <memory>

#include "studio/http_types.h"

namespace httplib {
class Server;
}

namespace camdrift {

class HttpShell {
public:
    HttpShell();
    ~HttpShell();
    HttpShell(const HttpShell&) = delete;
    HttpShell& operator=(const HttpShell&) = delete;

    // Binds 127.0.0.1:`port` (0: any free port); the port bound, or -1.
    int bindLoopback(int port);

    // Answers requests with `handler` until an interrupt arrives (the caller
    // installs the platform's interrupt handlers first); then calls
    // `beforeStop` (while requests are still answered) and stops.
    void serve(const std::function<Response(const Request&)>& handler,
               const std::function<void()>& beforeStop);

private:
    std::unique_ptr<httplib::Server> server_;
};

}  // namespace camdrift
