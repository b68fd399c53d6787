#include "studio/http_shell.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <thread>

#include "platform/platform.h"
#include "studio/studio_state.h"

namespace camdrift {
namespace {

constexpr auto kInterruptPoll = std::chrono::milliseconds(100);
// A browser keeps connections open; short keep-alives let a stop finish soon.
constexpr time_t kKeepAliveSeconds = 1;

Request requestOf(const httplib::Request& from) {
    Request request;
    request.method = from.method;
    request.path = from.path;
    for (const auto& [name, value] : from.params) request.query.emplace(name, value);
    for (const auto& [name, value] : from.headers) {
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        request.headers.emplace(lower, value);
    }
    request.body = from.body;
    return request;
}

void answer(const Response& from, httplib::Response& to) {
    to.status = from.status;
    for (const auto& [name, value] : from.headers) to.set_header(name, value);
    to.set_content(from.body, from.contentType);
}

// The server reads a body whole before any handler sees it, and its length
// limit holds only for a body of stated length: one sent in chunks, without
// a length, or compressed could fill memory, so those are refused first.
httplib::Server::HandlerResponse refuseUnboundedBodies(const httplib::Request& request,
                                                       httplib::Response& response) {
    const bool mayHaveBody = request.method != "GET" && request.method != "HEAD";
    int status = 0;
    if (request.has_header("Transfer-Encoding") ||
        (mayHaveBody && !request.has_header("Content-Length"))) {
        status = 411;
    } else if (request.has_header("Content-Encoding")) {
        status = 415;
    }
    if (status == 0) return httplib::Server::HandlerResponse::Unhandled;
    response.status = status;
    response.set_content("{\"error\":\"a request body needs a Content-Length and no encoding\"}",
                         "application/json");
    return httplib::Server::HandlerResponse::Handled;
}

}  // namespace

HttpShell::HttpShell() : server_(std::make_unique<httplib::Server>()) {}

HttpShell::~HttpShell() = default;

int HttpShell::bindLoopback(int port) {
    server_->set_payload_max_length(kMaxBodyBytes);
    server_->set_pre_routing_handler(refuseUnboundedBodies);
    server_->set_keep_alive_timeout(kKeepAliveSeconds);
    if (port == 0) return server_->bind_to_any_port("127.0.0.1");
    return server_->bind_to_port("127.0.0.1", port) ? port : -1;
}

void HttpShell::serve(const std::function<Response(const Request&)>& handler,
                      const std::function<void()>& beforeStop) {
    const auto dispatch = [&handler](const httplib::Request& request,
                                     httplib::Response& response) {
        answer(handler(requestOf(request)), response);
    };
    // Every path of every method goes to the handler, which alone decides
    // (403 without the token, 404 for anything it doesn't serve).
    const char* const anyPath = ".*";
    server_->Get(anyPath, dispatch);
    server_->Post(anyPath, dispatch);
    server_->Put(anyPath, dispatch);
    server_->Patch(anyPath, dispatch);
    server_->Delete(anyPath, dispatch);
    std::atomic<bool> ended{false};
    std::thread watcher([this, &beforeStop, &ended] {
        while (!ended && !platform::interruptRequested()) {
            std::this_thread::sleep_for(kInterruptPoll);
        }
        if (ended) return;
        beforeStop();
        // A stop before the server runs does nothing, and an interrupt can
        // come as soon as the address is printed: stop until it is over.
        while (!ended) {
            server_->stop();
            std::this_thread::sleep_for(kInterruptPoll);
        }
    });
    server_->listen_after_bind();
    ended = true;
    watcher.join();
}

}  // namespace camdrift
