// Starting camdrift-studio: its command line, a new script's defaults, the
// address it prints, the stop; and the render child it runs.
#include <gtest/gtest.h>
#include <httplib.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>

#include "raw_http.h"
#include "running_process.h"
#include "studio/new_job.h"
#include "studio/render_runner.h"
#include "app/studio_command_line.h"
#include "studio/studio_job.h"
#include "test_support.h"

using namespace testing_support;
using camdrift::StudioArguments;

namespace {

std::string studioExe() { return CAMDRIFT_STUDIO_EXE; }

// The wait of a stand-in for camdrift: it ends when its parent does, so a
// test that dies leaves no stand-in looping.
constexpr const char* kUntilItsParentEnds =
    "while kill -0 $PPID 2>/dev/null; do sleep 0.05; done\n";

TEST(StudioArguments, Table) {
    using Kind = StudioArguments::Kind;
    struct Case {
        std::vector<std::string> args;
        Kind kind;
        std::string script;
        std::string source;
        int port;
    };
    const std::vector<Case> table = {
        {{"job.txt"}, Kind::Open, "job.txt", "", 0},
        {{"job.txt", "--port", "8080"}, Kind::Open, "job.txt", "", 8080},
        {{"--port", "0", "job.txt"}, Kind::Open, "job.txt", "", 0},
        {{"new.job", "--source", "clip.mp4"}, Kind::Create, "new.job", "clip.mp4", 0},
        {{"--source", "a b.mov", "--port", "65535", "x"}, Kind::Create, "x", "a b.mov", 65535},
        {{"--help"}, Kind::Help, "", "", 0},
        {{"-h"}, Kind::Help, "", "", 0},
        {{"--version"}, Kind::Version, "", "", 0},
        {{}, Kind::Wrong, "", "", 0},
        {{"a", "b"}, Kind::Wrong, "a", "", 0},
        {{"a", "--port"}, Kind::Wrong, "a", "", 0},
        {{"a", "--port", "65536"}, Kind::Wrong, "a", "", 0},
        {{"a", "--port", "-1"}, Kind::Wrong, "a", "", 0},
        {{"a", "--port", "80x"}, Kind::Wrong, "a", "", 0},
        {{"a", "--source", ""}, Kind::Wrong, "a", "", 0},
        {{"a", "--port", "1", "--port", "2"}, Kind::Wrong, "a", "", 1},
        {{"a", "--verbose"}, Kind::Wrong, "a", "", 0},
        {{"--source", "v.mp4"}, Kind::Wrong, "", "v.mp4", 0},
        {{"--help", "job"}, Kind::Wrong, "", "", 0},
    };
    for (const Case& c : table) {
        const StudioArguments parsed = camdrift::parseStudioArguments(c.args);
        std::string shown;
        for (const auto& a : c.args) shown += "[" + a + "]";
        EXPECT_EQ(parsed.kind, c.kind) << shown;
        if (c.kind == Kind::Wrong) {
            EXPECT_FALSE(parsed.problem.empty()) << shown;
            continue;
        }
        EXPECT_EQ(parsed.scriptPath, c.script) << shown;
        EXPECT_EQ(parsed.sourcePath, c.source) << shown;
        EXPECT_EQ(parsed.port, c.port) << shown;
    }
}

TEST(NewJob, OutputNameTable) {
    const std::vector<std::pair<std::string, std::string>> table = {
        {"clip.mov", "clip-framed.mp4"},
        {"/v/clip.mp4", "/v/clip-framed.mp4"},
        {"/v/a.b.mkv", "/v/a.b-framed.mp4"},
        {"/v.d/clip", "/v.d/clip-framed.mp4"},
        {"/v/.hidden", "/v/.hidden-framed.mp4"},
        {"/v/name.", "/v/name-framed.mp4"}};
    for (const auto& [source, output] : table) {
        EXPECT_EQ(camdrift::framedOutputPath(source), output) << source;
    }
}

TEST(NewJob, Defaults) {
    const camdrift::StudioJob job = camdrift::newStudioJob("/v/phone.mp4", 1080, 1920, true);
    EXPECT_EQ(camdrift::scriptText(job, "."),
              "camdrift-studio job for phone.mp4\n/v/phone.mp4\n/v/phone-framed.mp4\n"
              "/usr/bin/ffmpeg\navc1\n1\n1080\n1920\n");
    EXPECT_EQ(camdrift::newStudioJob("/v/a.avi", 64, 48, false).muxer, "");
}


// A loopback port that is free now: bound to port 0, noted, let go.
int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = -1;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

class StudioProcess : public ::testing::Test {
protected:
    void SetUp() override {
        // A client still writing to a studio that has answered and closed
        // gets EPIPE, not a fatal signal that would leave the studio running
        // and this folder behind. The studio itself starts with the default.
        signal(SIGPIPE, SIG_IGN);
        source_ = dir_.file("clip.avi");
        ASSERT_TRUE(writePatternVideo(source_, 64, 48, 10));
    }
    ScratchDir dir_;
    std::string source_;
};

// Like camdrift, the studio reads with the libav reader and loads OpenCV's
// video library from camdrift's module only where a run would.
TEST(StudioExecutable, DoesNotLoadOpenCvsVideoLibrary) {
    const RunResult libraries = run({"/usr/bin/ldd", studioExe()});
    ASSERT_EQ(libraries.exitStatus, 0) << libraries.err;
    EXPECT_EQ(libraries.out.find("libopencv_videoio"), std::string::npos) << libraries.out;
    EXPECT_NE(libraries.out.find("libopencv_imgcodecs"), std::string::npos) << libraries.out;
}

TEST_F(StudioProcess, HelpAndVersion) {
    EXPECT_EQ(run({studioExe(), "--version"}).out,
              std::string("camdrift-studio ") + CAMDRIFT_TEST_VERSION + "\n");
    const RunResult help = run({studioExe(), "--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.out.rfind("Usage: camdrift-studio JOBSCRIPT [--port N]\n", 0), 0u);
    const RunResult wrong = run({studioExe()});
    EXPECT_EQ(wrong.exitStatus, 2);
    EXPECT_EQ(wrong.out.rfind("error: no job script given\nUsage:", 0), 0u);
}

TEST_F(StudioProcess, NewScriptGetsTheDefaultsAndTheAddressIsTheOnlyOutput) {
    const std::string script = dir_.file("new.job");
    RunningProcess studio({studioExe(), script, "--source", source_});
    ASSERT_TRUE(studio.waitForOutput("\n", 20));
    ASSERT_TRUE(waitForFile(script, 5));
    EXPECT_EQ(readFile(script), "camdrift-studio job for clip.avi\n" + source_ + "\n" +
                                    dir_.file("clip-framed.mp4") + "\n/usr/bin/ffmpeg\navc1\n1\n64\n48\n");
    studio.signal(SIGTERM);
    const RunResult result = studio.finish();
    EXPECT_EQ(result.exitStatus, 0);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(result.out, match,
                                 std::regex("http://127\\.0\\.0\\.1:([0-9]+)/\\?token=([0-9a-f]{64})\n")))
        << result.out;
    EXPECT_EQ(result.err, "");
}

TEST_F(StudioProcess, NeverWritesOverAnExistingFile) {
    const std::string script = dir_.file("taken.job");
    writeFile(script, "mine\n");
    const RunResult result = run({studioExe(), script, "--source", source_});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.out, "error: " + script + " exists; a new job script is never written over a file\n");
    EXPECT_EQ(readFile(script), "mine\n");
}

TEST_F(StudioProcess, UnusableScriptOrSourceEndsAtOnce) {
    EXPECT_EQ(run({studioExe(), dir_.file("missing.job")}).out,
              "error: can't read the job script " + dir_.file("missing.job") + "\n");
    writeFile(dir_.file("bad.job"),
              jobScriptText({dir_.file("none.avi"), "o.avi", "", "FFV1", "1", "2", "2"}));
    const RunResult bad = run({studioExe(), dir_.file("bad.job")});
    EXPECT_EQ(bad.exitStatus, 1);
    EXPECT_EQ(bad.out, "error: line 2: can't open the source video \"" + dir_.file("none.avi") + "\"\n");
}

TEST_F(StudioProcess, ServesLoopbackWithTheTokenAndStopsOnCtrlC) {
    const std::string script = dir_.file("job.txt");
    writeFile(script, jobScriptText({source_, dir_.file("o.avi"), "", "FFV1", "1", "32", "24"}));
    RunningProcess studio({studioExe(), script});
    ASSERT_TRUE(studio.waitForOutput("\n", 20));
    studio.signal(SIGINT);
    const RunResult result = studio.finish();
    EXPECT_EQ(result.exitStatus, 0);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(result.out, match,
                                 std::regex("http://127\\.0\\.0\\.1:([0-9]+)/\\?token=([0-9a-f]{64})\n")));
}

TEST_F(StudioProcess, AnswersOverHttpOnTheChosenPort) {
    const std::string script = dir_.file("job.txt");
    writeFile(script, jobScriptText({source_, dir_.file("o.avi"), "", "FFV1", "1", "32", "24"}));
    const int port = freePort();
    ASSERT_GT(port, 0);
    RunningProcess studio({studioExe(), script, "--port", std::to_string(port)});
    ASSERT_TRUE(studio.waitForOutput("\n", 20));
    httplib::Client client("127.0.0.1", port);
    auto refused = client.Get("/api/job");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 403);
    studio.signal(SIGTERM);
    const RunResult result = studio.finish();
    EXPECT_EQ(result.exitStatus, 0);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(result.out, match,
                                 std::regex("http://127\\.0\\.0\\.1:([0-9]+)/\\?token=([0-9a-f]{64})\n")));
    EXPECT_EQ(match[1].str(), std::to_string(port));
}

// A body is read whole before the handler sees it; only a stated length
// bounds it, so chunked, unstated and compressed bodies are refused unread.
// Each request goes out in one write, so the refusal can't come between its
// pieces.
TEST_F(StudioProcess, BodiesWithoutAStatedLengthAreRefusedUnread) {
    const std::string script = dir_.file("job.txt");
    writeFile(script, jobScriptText({source_, dir_.file("o.avi"), "", "FFV1", "1", "32", "24"}));
    const int port = freePort();
    ASSERT_GT(port, 0);
    RunningProcess studio({studioExe(), script, "--port", std::to_string(port)});
    ASSERT_TRUE(studio.waitForOutput("\n", 20));
    const std::string start =
        "POST /api/save HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n";
    const RawAnswer chunked = exchangeRaw(
        port, start + "Transfer-Encoding: chunked\r\n\r\n2\r\n{}\r\n0\r\n\r\n", 10);
    ASSERT_TRUE(chunked.connected);
    EXPECT_EQ(chunked.status, 411) << chunked.text;
    const RawAnswer unstated = exchangeRaw(port, start + "Connection: close\r\n\r\n{}", 10);
    EXPECT_EQ(unstated.status, 411) << unstated.text;
    const RawAnswer compressed = exchangeRaw(
        port, start + "Content-Encoding: gzip\r\nContent-Length: 2\r\n\r\n{}", 10);
    EXPECT_EQ(compressed.status, 415) << compressed.text;
    const RawAnswer stated = exchangeRaw(port, start + "Content-Length: 2\r\n\r\n{}", 10);
    EXPECT_EQ(stated.status, 403) << "read, then refused for want of the token";
    studio.signal(SIGINT);
    EXPECT_EQ(studio.finish().exitStatus, 0);
}

// Where a run reads with OpenCV's capture, the studio does too: from the
// module beside it, which a copy of the studio alone in a folder lacks.
TEST_F(StudioProcess, ReadsWithOpenCvFromTheModuleWhereARunWould) {
    const std::string script = dir_.file("job.txt");
    writeFile(script, jobScriptText({source_, dir_.file("o.avi"), "", "FFV1", "1", "32", "24"}));
    RunOptions options;
    options.env["CAMDRIFT_VIDEO_IO"] = "opencv";
    RunningProcess studio({studioExe(), script}, options);
    ASSERT_TRUE(studio.waitForOutput("\n", 20));
    std::smatch match;
    const std::string address = studio.outputSoFar();
    ASSERT_TRUE(std::regex_search(address, match, std::regex(":([0-9]+)/\\?token=([0-9a-f]{64})")));
    httplib::Client client("127.0.0.1", std::stoi(match[1].str()));
    const httplib::Headers token = {{"X-Studio-Token", match[2].str()}};
    auto job = client.Get("/api/job", token);
    ASSERT_TRUE(job);
    EXPECT_EQ(nlohmann::json::parse(job->body)["source"]["reader"],
              "opencv (CAMDRIFT_VIDEO_IO=opencv)");
    auto frame = client.Get("/api/frame?n=7", token);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->status, 200);
    studio.signal(SIGTERM);
    EXPECT_EQ(studio.finish().exitStatus, 0);

    const std::string alone = dir_.file("alone");
    std::filesystem::create_directory(alone);
    std::filesystem::copy_file(studioExe(), alone + "/camdrift-studio");
    const RunResult without = run({alone + "/camdrift-studio", script}, options);
    EXPECT_EQ(without.exitStatus, 1);
    EXPECT_EQ(without.out, "error: line 2: can't open the source video \"" + source_ + "\"\n");
}

// The studio runs the camdrift beside it, so a copy of the studio beside a
// stand-in shows what a stop does to a running render.
TEST_F(StudioProcess, StopInterruptsARunningRenderFirst) {
    const std::string folder = dir_.file("bin");
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(studioExe(), folder + "/camdrift-studio");
    const std::string marker = dir_.file("interrupted");
    writeFile(folder + "/camdrift",
              "#!/bin/sh\ntrap 'echo Interrupted!; touch " + marker + "; exit 130' INT\n"
              "echo Opened\n" + kUntilItsParentEnds);
    makeExecutable(folder + "/camdrift");
    const std::string script = dir_.file("job.txt");
    writeFile(script, jobScriptText({source_, dir_.file("o.avi"), "", "FFV1", "1", "32", "24"}));

    RunningProcess studio({folder + "/camdrift-studio", script});
    ASSERT_TRUE(studio.waitForOutput("\n", 20));
    std::smatch match;
    const std::string address = studio.outputSoFar();
    ASSERT_TRUE(std::regex_search(address, match, std::regex(":([0-9]+)/\\?token=([0-9a-f]{64})")));
    httplib::Client client("127.0.0.1", std::stoi(match[1].str()));
    const httplib::Headers token = {{"X-Studio-Token", match[2].str()}};
    auto started = client.Post("/api/render", token, "", "application/json");
    ASSERT_TRUE(started);
    EXPECT_EQ(started->status, 200);
    for (int i = 0; i < 500; ++i) {
        auto status = client.Get("/api/render", token);
        if (status && status->body.find("Opened") != std::string::npos) break;
        usleep(10000);
    }
    studio.signal(SIGTERM);
    const RunResult result = studio.finish();
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_TRUE(exists(marker));
}

TEST(RenderLines, SplitAtLineEndsKeepingTheRest) {
    std::vector<std::string> lines;
    std::string pending = "Opened\nProcessed: 40% (101 / 250)\r\nPart";
    camdrift::appendLines(pending, lines, 10);
    EXPECT_EQ(lines, (std::vector<std::string>{"Opened", "Processed: 40% (101 / 250)", ""}));
    EXPECT_EQ(pending, "Part");
    pending += "ial\n\n";
    camdrift::appendLines(pending, lines, 3);
    EXPECT_EQ(lines, (std::vector<std::string>{"", "Partial", ""}));
    EXPECT_EQ(pending, "");
}

TEST(RenderMeaning, Table) {
    auto exited = [](int status) {
        camdrift::platform::ProcessOutcome o;
        o.started = true;
        o.exited = true;
        o.exitStatus = status;
        return o;
    };
    EXPECT_EQ(camdrift::exitMeaning(exited(0)), "complete");
    EXPECT_EQ(camdrift::exitMeaning(exited(1)), "nothing usable written");
    EXPECT_EQ(camdrift::exitMeaning(exited(2)), "video complete, sound not added");
    EXPECT_EQ(camdrift::exitMeaning(exited(130)), "interrupted");
    EXPECT_EQ(camdrift::exitMeaning(exited(7)), "exit status 7");
    camdrift::platform::ProcessOutcome killed;
    killed.started = true;
    killed.signal = 9;
    EXPECT_EQ(camdrift::exitMeaning(killed), "camdrift was killed by signal 9");
    EXPECT_EQ(camdrift::exitMeaning(camdrift::platform::ProcessOutcome{}),
              "camdrift could not be started");
}

camdrift::RenderStatus waitForEnd(camdrift::RenderRunner& runner) {
    for (int i = 0; i < 2000; ++i) {
        const camdrift::RenderStatus status = runner.status();
        if (status.state == camdrift::RenderStatus::State::Finished) return status;
        usleep(10000);
    }
    return runner.status();
}

TEST(RenderRunner, CancelSendsCtrlCAndReportsTheEnd) {
    ScratchDir dir;
    // Stands in for camdrift: answers SIGINT as camdrift does.
    const std::string fake = dir.file("camdrift");
    writeFile(fake, "#!/bin/sh\ntrap 'echo Interrupted!; exit 130' INT\necho \"Opened $1\"\n" +
                        std::string(kUntilItsParentEnds));
    makeExecutable(fake);
    camdrift::RenderRunner runner(fake);
    EXPECT_FALSE(runner.cancel());
    ASSERT_TRUE(runner.start("job.txt"));
    EXPECT_FALSE(runner.start("job.txt"));
    for (int i = 0; i < 500 && runner.status().lines.empty(); ++i) usleep(10000);
    EXPECT_EQ(runner.status().lines, std::vector<std::string>{"Opened job.txt"});
    EXPECT_TRUE(runner.cancel());
    const camdrift::RenderStatus status = waitForEnd(runner);
    EXPECT_EQ(status.lines, (std::vector<std::string>{"Opened job.txt", "Interrupted!"}));
    EXPECT_TRUE(status.outcome.exited);
    EXPECT_EQ(status.outcome.exitStatus, 130);
    EXPECT_TRUE(status.cancelled);
    EXPECT_EQ(status.run, 1u);
}

TEST(RenderRunner, RunsTheRealCamdriftToTheEnd) {
    ScratchDir dir;
    const std::string source = dir.file("in.avi");
    ASSERT_TRUE(writePatternVideo(source, 64, 48, 30));
    const std::string script = dir.file("job.txt");
    writeFile(script, jobScriptText({source, dir.file("out.avi"), "", "FFV1", "1", "32", "24",
                                     {"a 10 50 50 50 0"}}));
    camdrift::RenderRunner runner(CAMDRIFT_EXE);
    ASSERT_TRUE(runner.start(script));
    const camdrift::RenderStatus status = waitForEnd(runner);
    EXPECT_EQ(status.lines, (std::vector<std::string>{
                                "Opened", "64x48@25.000000\t30", "fn2=" + dir.file("out.avi"),
                                "Finished!"}));
    EXPECT_EQ(status.outcome.exitStatus, 0);
    EXPECT_EQ(readAllFrames(dir.file("out.avi")).size(), 30u);
}

TEST(RenderRunner, AMissingProgramIsReportedNotStarted) {
    camdrift::RenderRunner runner("/nonexistent/camdrift");
    ASSERT_TRUE(runner.start("job.txt"));
    const camdrift::RenderStatus status = waitForEnd(runner);
    EXPECT_FALSE(status.outcome.started);
    EXPECT_EQ(camdrift::exitMeaning(status.outcome), "camdrift could not be started");
}

}  // namespace
