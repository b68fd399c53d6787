// Routing: the token first, then the size limit, then the handler.
#include "studio/studio_handlers.h"

#include "studio/access_token.h"
#include "studio/api_common.h"
#include "studio/web_assets.h"

namespace camdrift {
namespace {

constexpr const char* kTokenHeader = "x-studio-token";

// Only this page's own files and the server's answers; nothing inline.
constexpr const char* kPagePolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' blob:; "
    "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

std::string cookieName(const StudioState& state) {
    return "camdrift_studio_" + std::to_string(state.session.port);
}

std::string headerOf(const Request& request, const std::string& name) {
    const auto it = request.headers.find(name);
    return it == request.headers.end() ? "" : it->second;
}

// The value of cookie `name` in a Cookie header ("a=1; b=2").
std::string cookieValue(const std::string& header, const std::string& name) {
    size_t pos = 0;
    while (pos < header.size()) {
        while (pos < header.size() && (header[pos] == ' ' || header[pos] == ';')) ++pos;
        const size_t end = std::min(header.find(';', pos), header.size());
        const std::string pair = header.substr(pos, end - pos);
        const size_t eq = pair.find('=');
        if (eq != std::string::npos && pair.substr(0, eq) == name) return pair.substr(eq + 1);
        pos = end;
    }
    return "";
}

bool isPageFile(const Request& request) {
    return request.method == "GET" && request.path.rfind("/api/", 0) != 0;
}

// The API wants the token in a header; the page's files may come with the
// cookie's page key, and the page itself with ?token= in its address.
bool authorized(const Request& request, const StudioState& state) {
    const std::string& token = state.session.token;
    if (tokenMatches(headerOf(request, kTokenHeader), token)) return true;
    if (!isPageFile(request)) return false;
    if (tokenMatches(cookieValue(headerOf(request, "cookie"), cookieName(state)),
                     state.session.pageKey)) {
        return true;
    }
    const auto query = request.query.find("token");
    return request.path == "/" && query != request.query.end() &&
           tokenMatches(query->second, token);
}

Response pageFile(const Request& request, const StudioState& state) {
    const WebAsset* asset = findWebAsset(request.path);
    if (!asset) return errorResponse(404, "no such file");
    Response response;
    response.contentType = std::string(asset->contentType);
    response.body = std::string(asset->bytes);
    response.headers.push_back({"Content-Security-Policy", kPagePolicy});
    if (request.path == "/") {
        response.headers.push_back({"Set-Cookie", cookieName(state) + "=" + state.session.pageKey +
                                                      "; Path=/; HttpOnly; SameSite=Strict"});
    }
    return response;
}

Response route(const Request& request, StudioState& state) {
    const std::string& m = request.method;
    const std::string& p = request.path;
    if (m == "GET" && p == "/api/job") return getJob(state);
    if (m == "GET" && p == "/api/frame") return getFrame(request, state);
    if (m == "POST" && p == "/api/view") return postView(request, state);
    if (m == "POST" && p == "/api/output") return postOutput(request, state);
    if (m == "POST" && p == "/api/track") return postTrack(request, state);
    if (m == "POST" && p == "/api/check") return postCheck(request, state);
    if (m == "POST" && p == "/api/save") return postSave(request, state);
    if (m == "POST" && p == "/api/render") return postRender(state);
    if (m == "GET" && p == "/api/render") return getRender(state);
    if (m == "POST" && p == "/api/render/cancel") return postRenderCancel(state);
    if (isPageFile(request)) return pageFile(request, state);
    return errorResponse(404, "no such route");
}

}  // namespace

Response handle(const Request& request, StudioState& state) {
    Response response;
    if (!authorized(request, state)) {
        response = errorResponse(403, "this studio session needs its token");
    } else if (request.body.size() > kMaxBodyBytes) {
        response = errorResponse(413, "the request body is over 1 MiB");
    } else {
        try {
            response = route(request, state);
        } catch (const std::exception& error) {
            // A bug in one answer must not end the session with unsaved work.
            response = errorResponse(500, std::string("internal error: ") + error.what());
        }
    }
    response.headers.push_back({"Cache-Control", "no-store"});
    response.headers.push_back({"X-Content-Type-Options", "nosniff"});
    return response;
}

}  // namespace camdrift
