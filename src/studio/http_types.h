// A request and its answer as the studio's handlers see them: plain values,
// so the handlers run in tests without a socket and the HTTP library stays
// in one thin file.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace camdrift {

struct Request {
    std::string method;                         // "GET", "POST", ...
    std::string path;                           // without the query
    std::map<std::string, std::string> query;   // decoded parameters
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
};

struct Response {
    int status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

}  // namespace camdrift
