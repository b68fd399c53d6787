#include "raw_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <regex>

namespace testing_support {

namespace {

using Clock = std::chrono::steady_clock;

int connectLoopback(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// MSG_NOSIGNAL: a server that answered and closed before the last byte gets
// an EPIPE here, not the death of the test.
void sendWhole(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

// True once the headers and as many body bytes as Content-Length states are in.
bool answerComplete(const std::string& text) {
    const size_t headersEnd = text.find("\r\n\r\n");
    if (headersEnd == std::string::npos) return false;
    static const std::regex kLength("\r\nContent-Length: *([0-9]+)\r\n", std::regex::icase);
    std::smatch match;
    const std::string headers = text.substr(0, headersEnd + 2);
    if (!std::regex_search(headers, match, kLength)) return false;
    return text.size() - (headersEnd + 4) >= std::stoull(match[1].str());
}

int statusOf(const std::string& text) {
    static const std::regex kStatusLine("^HTTP/1\\.[01] ([0-9]{3}) ");
    std::smatch match;
    return std::regex_search(text, match, kStatusLine) ? std::stoi(match[1].str()) : 0;
}

}  // namespace

RawAnswer exchangeRaw(int port, const std::string& request, double seconds) {
    RawAnswer answer;
    const int fd = connectLoopback(port);
    if (fd < 0) return answer;
    answer.connected = true;
    sendWhole(fd, request);
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (!answerComplete(answer.text)) {
        using std::chrono::milliseconds;
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        pollfd readable{fd, POLLIN, 0};
        if (poll(&readable, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[4096];
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // closed (or reset) by the server
        answer.text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    answer.status = statusOf(answer.text);
    return answer;
}

}  // namespace testing_support
