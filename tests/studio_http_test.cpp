// The studio's requests as its handlers answer them, without a socket: the
// token, the embedded files, the source that may be read, bad bodies, saving.
#include <gtest/gtest.h>

#include "studio/access_token.h"
#include "studio/studio_handlers.h"
#include "studio_fixture.h"

using namespace testing_support;
using nlohmann::json;

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr int kFrames = 12;

class StudioHttp : public ::testing::Test {
protected:
    camdrift::Response send(camdrift::Request request) {
        return camdrift::handle(request, session_.state());
    }
    camdrift::Request bare(const std::string& method, const std::string& path) {
        camdrift::Request request;
        request.method = method;
        request.path = path;
        return request;
    }
    StudioSessionFixture session_{kWidth, kHeight, kFrames, {"a 4 50 50 50 0"}};
};

TEST(AccessToken, IsSixtyFourHexDigitsAndNewEachTime) {
    const std::string a = camdrift::newAccessToken();
    const std::string b = camdrift::newAccessToken();
    EXPECT_EQ(a.size(), 64u);
    EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(a, b);
}

TEST(AccessToken, MatchesOnlyTheSameString) {
    EXPECT_TRUE(camdrift::tokenMatches("abc", "abc"));
    EXPECT_FALSE(camdrift::tokenMatches("abd", "abc"));
    EXPECT_FALSE(camdrift::tokenMatches("ab", "abc"));
    EXPECT_FALSE(camdrift::tokenMatches("abcd", "abc"));
    EXPECT_FALSE(camdrift::tokenMatches("", "abc"));
    EXPECT_FALSE(camdrift::tokenMatches("", ""));  // a session without a token admits no one
}

TEST_F(StudioHttp, EveryRouteWantsTheToken) {
    const std::string wrong(64, 'f');
    for (const auto& [method, path] : std::vector<std::pair<std::string, std::string>>{
             {"GET", "/"}, {"GET", "/app.js"}, {"GET", "/api/job"}, {"GET", "/api/frame"},
             {"POST", "/api/save"}, {"POST", "/api/render"}, {"GET", "/nowhere"},
             {"DELETE", "/api/job"}}) {
        camdrift::Request missing = bare(method, path);
        EXPECT_EQ(send(missing).status, 403) << method << " " << path;
        camdrift::Request bad = bare(method, path);
        bad.headers["x-studio-token"] = wrong;
        EXPECT_EQ(send(bad).status, 403) << method << " " << path;
        camdrift::Request shortened = bare(method, path);
        shortened.headers["x-studio-token"] = std::string(kStudioToken).substr(0, 63);
        EXPECT_EQ(send(shortened).status, 403) << method << " " << path;
    }
    EXPECT_EQ(send(tokenRequest("GET", "/api/job")).status, 200);
}

TEST_F(StudioHttp, PageLoadWithTokenInItsAddressSetsTheCookieForItsFiles) {
    camdrift::Request page = bare("GET", "/");
    page.query["token"] = kStudioToken;
    const camdrift::Response answer = send(page);
    ASSERT_EQ(answer.status, 200);
    EXPECT_EQ(answer.contentType, "text/html; charset=utf-8");
    bool cookieSet = false;
    for (const auto& [name, value] : answer.headers) {
        if (name == "Set-Cookie") {
            EXPECT_EQ(value, std::string("camdrift_studio_5555=") + kStudioPageKey +
                                 "; Path=/; HttpOnly; SameSite=Strict");
            // Every port of 127.0.0.1 gets the cookie: it must not carry the token.
            EXPECT_EQ(value.find(kStudioToken), std::string::npos);
            cookieSet = true;
        }
    }
    EXPECT_TRUE(cookieSet);

    camdrift::Request script = bare("GET", "/app.js");
    script.headers["cookie"] = std::string("other=1; camdrift_studio_5555=") + kStudioPageKey;
    EXPECT_EQ(send(script).status, 200);
    // The cookie of a studio on another port doesn't open this one.
    script.headers["cookie"] = std::string("camdrift_studio_5556=") + kStudioPageKey;
    EXPECT_EQ(send(script).status, 403);
    // The token in the address opens the page only, not its files or the API.
    camdrift::Request byQuery = bare("GET", "/app.js");
    byQuery.query["token"] = kStudioToken;
    EXPECT_EQ(send(byQuery).status, 403);
    camdrift::Request api = bare("GET", "/api/job");
    api.query["token"] = kStudioToken;
    EXPECT_EQ(send(api).status, 403);
}

TEST_F(StudioHttp, TheCookieDoesNotOpenTheApi) {
    camdrift::Request api = bare("POST", "/api/save");
    api.headers["cookie"] = std::string("camdrift_studio_5555=") + kStudioPageKey;
    api.body = json{{"job", session_.jobJson()}}.dump();
    EXPECT_EQ(send(api).status, 403);
    api.headers["cookie"] = std::string("camdrift_studio_5555=") + kStudioToken;
    EXPECT_EQ(send(api).status, 403);
}

// Every API route with a request it would answer: the page key in the
// cookie alone gets 403 on each, the token gets past the check.
TEST_F(StudioHttp, TheCookieAloneOpensNoApiRoute) {
    const std::string jobBody = json{{"job", session_.jobJson()}, {"frame", 1}}.dump();
    struct Route {
        std::string method, path, body;
    };
    // The render starts last: the cancel before it finds none running.
    const std::vector<Route> routes = {
        {"GET", "/api/job", ""},         {"GET", "/api/frame", ""},
        {"GET", "/api/render", ""},      {"POST", "/api/view", jobBody},
        {"POST", "/api/output", jobBody}, {"POST", "/api/track", jobBody},
        {"POST", "/api/check", jobBody}, {"POST", "/api/save", jobBody},
        {"POST", "/api/render/cancel", ""}, {"POST", "/api/render", ""}};
    const std::string before = readFile(session_.scriptPath());
    for (const Route& route : routes) {
        camdrift::Request request = bare(route.method, route.path);
        if (route.path == "/api/frame") request.query = {{"n", "1"}};
        request.body = route.body;
        request.headers["cookie"] = std::string("camdrift_studio_5555=") + kStudioPageKey;
        const camdrift::Response refused = send(request);
        EXPECT_EQ(refused.status, 403) << route.method << " " << route.path;
        EXPECT_EQ(json::parse(refused.body)["error"], "this studio session needs its token");
    }
    EXPECT_EQ(readFile(session_.scriptPath()), before) << "nothing was saved";
    for (const Route& route : routes) {
        camdrift::Request request = tokenRequest(route.method, route.path);
        if (route.path == "/api/frame") request.query = {{"n", "1"}};
        request.body = route.body;
        const int status = send(request).status;
        EXPECT_TRUE(status == 200 || (route.path == "/api/render/cancel" && status == 409))
            << route.method << " " << route.path << ": " << status;
    }
}

TEST_F(StudioHttp, OnlyTheEmbeddedFilesAreServed) {
    for (const char* path : {"/", "/app.js", "/api.js", "/plot.js", "/panels.js",
                             "/source_view.js", "/studio.css", "/favicon.svg"}) {
        const camdrift::Response answer = send(tokenRequest("GET", path));
        EXPECT_EQ(answer.status, 200) << path;
        EXPECT_FALSE(answer.body.empty()) << path;
    }
    for (const char* path : {"/index.html", "/../CMakeLists.txt", "/etc/passwd", "//app.js",
                             "/app.js/", "/web/studio/app.js", "/APP.JS", "/api/nothing",
                             "/api", "/%2e%2e/README.md"}) {
        EXPECT_EQ(send(tokenRequest("GET", path)).status, 404) << path;
    }
    EXPECT_EQ(send(tokenRequest("POST", "/app.js")).status, 404);
    EXPECT_EQ(send(tokenRequest("PUT", "/api/save")).status, 404);
}

TEST_F(StudioHttp, FramesComeFromTheJobsOwnSourceOnly) {
    // No parameter names another file.
    for (const char* name : {"path", "source", "file"}) {
        camdrift::Request request = tokenRequest("GET", "/api/frame");
        request.query = {{"n", "1"}, {name, "/etc/passwd"}};
        EXPECT_EQ(send(request).status, 400) << name;
    }
    // A job naming another source is refused before anything is read.
    json job = session_.jobJson();
    job["source"] = session_.dir().file("other.avi");
    for (const char* route : {"/api/output", "/api/view", "/api/track", "/api/check", "/api/save"}) {
        EXPECT_EQ(session_.post(route, json{{"job", job}, {"frame", 1}}).status, 400) << route;
    }
    job["source"] = session_.sourcePath();
    EXPECT_EQ(session_.post("/api/output", json{{"job", job}, {"frame", 1}}).status, 200);
}

TEST_F(StudioHttp, FrameNumbersOutsideTheSourceAreNotFound) {
    const std::vector<std::pair<std::string, int>> table = {
        {"0", 200}, {"11", 200}, {"12", 404}, {"9999999999", 404}, {"-1", 400},
        {"+1", 400}, {"1.0", 400}, {"", 400}, {"0x1", 400}, {" 1", 400}, {"99999999999", 400}};
    for (const auto& [n, status] : table) {
        EXPECT_EQ(session_.get("/api/frame", {{"n", n}}).status, status) << "n=" << n;
    }
    // Frame 12 of 12 is past the end, not a frame that failed to decode.
    for (const char* n : {"12", "13"}) {
        EXPECT_EQ(json::parse(session_.get("/api/frame", {{"n", n}}).body)["error"],
                  "the source has no such frame")
            << "n=" << n;
    }
    EXPECT_EQ(session_.get("/api/frame", {}).status, 400);
    EXPECT_EQ(session_.get("/api/frame", {{"n", "1"}, {"maxWidth", "15"}}).status, 400);
    EXPECT_EQ(session_.get("/api/frame", {{"n", "1"}, {"maxWidth", "16"}}).status, 200);
}

TEST_F(StudioHttp, BodiesOverOneMebibyteAreRefused) {
    const json job = session_.jobJson();
    std::string body = json{{"job", job}, {"pad", ""}}.dump();
    body.insert(body.size() - 2, std::string((1 << 20) - body.size(), 'x'));
    ASSERT_EQ(body.size(), size_t{1} << 20);
    EXPECT_EQ(session_.post("/api/check", body).status, 200);
    body.insert(body.size() - 2, "x");
    EXPECT_EQ(session_.post("/api/check", body).status, 413);
}

struct MalformedCase {
    const char* name;
    std::string body;
};

class StudioMalformed : public StudioHttp, public ::testing::WithParamInterface<MalformedCase> {};

std::string withJob(const std::string& jobFields, const std::string& extra = ", \"frame\": 0") {
    return "{\"job\": {" + jobFields + "}" + extra + "}";
}

const std::string kGoodFields =
    "\"output\": \"o.avi\", \"muxer\": \"\", \"codec\": \"FFV1\", \"transitionSeconds\": 1, "
    "\"width\": 32, \"height\": 24, \"keyframes\": []";

TEST_P(StudioMalformed, AnswersFourHundredOnEveryRoute) {
    for (const char* route : {"/api/output", "/api/view", "/api/track", "/api/check", "/api/save"}) {
        const camdrift::Response answer = session_.post(route, GetParam().body);
        EXPECT_EQ(answer.status, 400) << route << ": " << answer.body;
        EXPECT_TRUE(json::parse(answer.body).contains("error")) << route;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, StudioMalformed,
    ::testing::Values(
        MalformedCase{"empty", ""}, MalformedCase{"not_json", "{job: 1}"},
        MalformedCase{"truncated", "{\"job\": {"}, MalformedCase{"array", "[]"},
        MalformedCase{"string", "\"job\""}, MalformedCase{"no_job", "{\"frame\": 0}"},
        MalformedCase{"job_array", "{\"job\": [], \"frame\": 0}"},
        MalformedCase{"width_string", withJob("\"output\": \"o\", \"muxer\": \"\", \"codec\": \"FFV1\", \"transitionSeconds\": 1, \"width\": \"32\", \"height\": 24, \"keyframes\": []")},
        MalformedCase{"width_fraction", withJob("\"output\": \"o\", \"muxer\": \"\", \"codec\": \"FFV1\", \"transitionSeconds\": 1, \"width\": 32.5, \"height\": 24, \"keyframes\": []")},
        MalformedCase{"height_past_32_bits", withJob("\"output\": \"o\", \"muxer\": \"\", \"codec\": \"FFV1\", \"transitionSeconds\": 1, \"width\": 32, \"height\": 2147483648, \"keyframes\": []")},
        MalformedCase{"transition_string", withJob("\"output\": \"o\", \"muxer\": \"\", \"codec\": \"FFV1\", \"transitionSeconds\": \"1\", \"width\": 32, \"height\": 24, \"keyframes\": []")},
        MalformedCase{"transition_null", withJob("\"output\": \"o\", \"muxer\": \"\", \"codec\": \"FFV1\", \"transitionSeconds\": null, \"width\": 32, \"height\": 24, \"keyframes\": []")},
        MalformedCase{"output_number", withJob("\"output\": 5, \"muxer\": \"\", \"codec\": \"FFV1\", \"transitionSeconds\": 1, \"width\": 32, \"height\": 24, \"keyframes\": []")},
        MalformedCase{"missing_codec", withJob("\"output\": \"o\", \"muxer\": \"\", \"transitionSeconds\": 1, \"width\": 32, \"height\": 24, \"keyframes\": []")},
        MalformedCase{"keyframes_object", withJob("\"output\": \"o\", \"muxer\": \"\", \"codec\": \"FFV1\", \"transitionSeconds\": 1, \"width\": 32, \"height\": 24, \"keyframes\": {}")},
        MalformedCase{"keyframe_number", withJob("\"output\": \"o\", \"muxer\": \"\", \"codec\": \"FFV1\", \"transitionSeconds\": 1, \"width\": 32, \"height\": 24, \"keyframes\": [5]")},
        MalformedCase{"label_number", withJob("\"output\": \"o\", \"muxer\": \"\", \"codec\": \"FFV1\", \"transitionSeconds\": 1, \"width\": 32, \"height\": 24, \"keyframes\": [{\"label\": 5, \"frame\": 0, \"zoom\": 50, \"centerX\": 50, \"centerY\": 50, \"transition\": 0}]")},
        MalformedCase{"zoom_missing", withJob("\"output\": \"o\", \"muxer\": \"\", \"codec\": \"FFV1\", \"transitionSeconds\": 1, \"width\": 32, \"height\": 24, \"keyframes\": [{\"label\": \"a\", \"frame\": 0, \"centerX\": 50, \"centerY\": 50, \"transition\": 0}]")},
        MalformedCase{"frame_below_32_bits", withJob("\"output\": \"o\", \"muxer\": \"\", \"codec\": \"FFV1\", \"transitionSeconds\": 1, \"width\": 32, \"height\": 24, \"keyframes\": [{\"label\": \"a\", \"frame\": -2147483649, \"zoom\": 50, \"centerX\": 50, \"centerY\": 50, \"transition\": 0}]")},
        MalformedCase{"frame_true", withJob("\"output\": \"o\", \"muxer\": \"\", \"codec\": \"FFV1\", \"transitionSeconds\": 1, \"width\": 32, \"height\": 24, \"keyframes\": [{\"label\": \"a\", \"frame\": true, \"zoom\": 50, \"centerX\": 50, \"centerY\": 50, \"transition\": 0}]")},
        MalformedCase{"invalid_utf8", withJob(kGoodFields.substr(0, 12) + "\xff" + kGoodFields.substr(12))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StudioHttp, TheFrameOfABodyMustBeAFrameOfTheSource) {
    const json job = session_.jobJson();
    const std::vector<std::pair<json, int>> table = {
        {0, 200}, {11, 200}, {12, 404}, {-1, 404}, {json(4294967296ull), 404},
        {"3", 400}, {3.0, 400}, {nullptr, 400}};
    for (const auto& [frame, status] : table) {
        EXPECT_EQ(session_.post("/api/view", json{{"job", job}, {"frame", frame}}).status, status)
            << frame.dump();
    }
    EXPECT_EQ(session_.post("/api/view", json{{"job", job}}).status, 400);
    const camdrift::Response pastTheEnd =
        session_.post("/api/view", json{{"job", job}, {"frame", 12}});
    EXPECT_EQ(json::parse(pastTheEnd.body)["error"], "the source has no such frame");
}

TEST_F(StudioHttp, ExtremeValuesNeverCrash) {
    json job = session_.jobJson();
    job["transitionSeconds"] = 1e308;
    job["keyframes"] = json::array({
        {{"label", "a"}, {"frame", 2147483647}, {"zoom", -2147483648}, {"centerX", 2147483647},
         {"centerY", -2147483648}, {"transition", 1}},
        {{"label", "b"}, {"frame", -2147483648}, {"zoom", 2147483647}, {"centerX", 0},
         {"centerY", 0}, {"transition", -7}}});
    for (const char* route : {"/api/output", "/api/view", "/api/track", "/api/check"}) {
        EXPECT_EQ(session_.post(route, json{{"job", job}, {"frame", 11}}).status, 200) << route;
    }
}

TEST_F(StudioHttp, JobIsTheScriptOnDisk) {
    const json answer = json::parse(session_.get("/api/job").body);
    EXPECT_EQ(answer["job"], json::parse(withJob(
        "\"output\": \"" + session_.dir().file("out.avi") + "\", \"muxer\": \"\", "
        "\"codec\": \"FFV1\", \"transitionSeconds\": 1.0, \"width\": 32, \"height\": 24, "
        "\"keyframes\": [{\"label\": \"a\", \"frame\": 4, \"zoom\": 50, \"centerX\": 50, "
        "\"centerY\": 50, \"transition\": 0}]", ""))["job"]);
    EXPECT_EQ(answer["title"], "studio test");
    EXPECT_EQ(answer["source"], (json{{"path", session_.sourcePath()}, {"width", kWidth},
                                      {"height", kHeight}, {"fps", 25.0},
                                      {"frameCount", kFrames}, {"rotation", 0},
                                      {"reader", "libav"}}));
    EXPECT_EQ(answer["rewritesFile"], false);
    // A file with lines that are not keyframes is rewritten by a save.
    writeFile(session_.scriptPath(), readFile(session_.scriptPath()) + "two words 1 2 3 4 5\n");
    EXPECT_EQ(json::parse(session_.get("/api/job").body)["rewritesFile"], true);
}

TEST_F(StudioHttp, CheckTiesEachWarningToItsFieldOrKeyframe) {
    json job = session_.jobJson();
    job["width"] = 0;
    job["muxer"] = session_.dir().file("no-such-muxer");
    job["keyframes"] = json::array({
        {{"label", "050"}, {"frame", 4}, {"zoom", 150}, {"centerX", 50}, {"centerY", 50},
         {"transition", 0}},
        {{"label", "b"}, {"frame", 3}, {"zoom", 50}, {"centerX", 50}, {"centerY", 50},
         {"transition", 9}}});
    const camdrift::Response answer = session_.post("/api/check", json{{"job", job}});
    ASSERT_EQ(answer.status, 200) << answer.body;
    const json check = json::parse(answer.body);
    std::vector<std::string> seen;
    for (const json& w : check["warnings"]) {
        seen.push_back(std::to_string(w["line"].get<int>()) + " " +
                       w.value("field", std::string("-")) + " " +
                       std::to_string(w.value("keyframe", -1)));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"4 muxer -1", "7 width -1", "9 - 0", "9 - 0",
                                              "10 - 1", "10 - 1"}));
    EXPECT_EQ(check["rampFrames"], (json{50, 25, 12}));
    EXPECT_EQ(check["labelProblems"], json::array());
}

TEST_F(StudioHttp, SaveWritesTheScriptAndRefusesWhatWouldReadDifferently) {
    json job = session_.jobJson();
    job["keyframes"][0]["zoom"] = 40;
    const camdrift::Response saved = session_.post("/api/save", json{{"job", job}});
    ASSERT_EQ(saved.status, 200) << saved.body;
    const std::string text = readFile(session_.scriptPath());
    EXPECT_EQ(text, "studio test\n" + session_.sourcePath() + "\n" + session_.dir().file("out.avi") +
                        "\n\nFFV1\n1\n32\n24\na 4 40 50 50 0\n");
    EXPECT_EQ(json::parse(saved.body)["text"], text);

    job["output"] = "two\nlines.avi";
    const camdrift::Response refused = session_.post("/api/save", json{{"job", job}});
    EXPECT_EQ(refused.status, 409);
    EXPECT_EQ(json::parse(refused.body)["error"],
              "not saved: line 3, the output reads back as \"two\", not \"two\nlines.avi\"");
    EXPECT_EQ(readFile(session_.scriptPath()), text);
}

}  // namespace
